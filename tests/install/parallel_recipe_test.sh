#!/usr/bin/env bash
# The README's recipe for running jobs on other machines with GNU parallel,
# run here on this machine alone (-S :): one input per run, output back.
set -euo pipefail
tolvan=$1
readme=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The recipe as the README shows it, with the machines replaced by ":".
recipe=$(sed -n '/^<!-- parallel recipe -->$/,/^<!-- end -->$/p' "$readme" | grep -E '^    parallel ' | head -1 | sed 's/^    //')
[[ -n $recipe ]] || fail "no recipe in the README"
recipe=${recipe/--sshlogin host1,host2/--sshlogin :}
[[ $recipe == *"--sshlogin :"* ]] || fail "recipe without --sshlogin host1,host2: $recipe"

mkdir "$tmp/in" "$tmp/home" "$tmp/bin"
# A copy of its own, so its first start makes its files in the temporary folder.
cp "$tolvan" "$tmp/bin/tolvan"
printf 'a\nb\nc\n' >"$tmp/in/one.txt"
printf 'x\ny\n' >"$tmp/in/two words.txt"
printf '' >"$tmp/in/empty.txt"
cd "$tmp/in"
recipe=${recipe/#parallel /parallel --will-cite }
PATH="$tmp/bin:$PATH" HOME="$tmp/home" bash -c "$recipe" ||
  fail "recipe failed: $recipe"
[[ $(cat one.txt.out) == 3 ]] || fail "one: $(cat one.txt.out)"
[[ $(cat "two words.txt.out") == 2 ]] || fail "two words: $(cat "two words.txt.out")"
[[ $(cat empty.txt.out) == 0 ]] || fail "empty: $(cat empty.txt.out)"
[[ -f one.txt ]] || fail "an input was removed on this machine"

# A failing run (the empty input's script ends with exit 3): parallel counts
# it, and its status reaches the caller's standard error.
from='END{print NR}'
to='END{print NR; if (!NR) exit 3}'
failing=${recipe/"$from"/"$to"}
[[ $failing != "$recipe" ]] || fail "recipe without $from: $recipe"
status=0
PATH="$tmp/bin:$PATH" HOME="$tmp/home" bash -c "$failing" 2>"$tmp/err.txt" || status=$?
[[ $status == 1 ]] || fail "failing run: parallel exit $status, $(cat "$tmp/err.txt")"
grep -qx 'gawk の終了コード 3: empty.txt' "$tmp/err.txt" || fail "failing run: $(cat "$tmp/err.txt")"
[[ $(cat one.txt.out) == 3 ]] || fail "one after a failing run: $(cat one.txt.out)"
echo "recipe ok: $recipe"
