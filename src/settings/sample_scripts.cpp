// The sample scripts a new scripts folder receives. Written here in UTF-8
// with LF; stored as every script the program writes: CP932 with CR LF.
// No character whose second byte is 0x5C is used, so each also runs when
// handed to gawk directly. Each strips a CR at a line's end itself, as the
// inputs of Windows users carry one.
#include <string_view>

#include "core/codepage.h"
#include "settings/program_files.h"

namespace tolvan {

namespace {

struct Sample {
  const char* base;
  const char* text;
};

const Sample kSamples[] = {
    {"csv_column_sum",
     R"(# CSV の指定した列を合計します。
# 列の番号はオプションに -v col=3 のように書きます（書かなければ 2 列目）。
# 数値でない値（見出しの行など）は飛ばし、その数も最後に出します。
BEGIN {
    FS = ","
    if (col == "") col = 2
}
{
    sub(/\r$/, "")
    v = $col
    gsub(/^[ \t"]+|[ \t"]+$/, "", v)
    if (v ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/) {
        sum += v
        n++
    } else {
        skipped++
    }
}
END {
    printf "合計 %.15g（%d 行、数値でない行 %d）\n", sum, n, skipped
}
)"},
    {"csv_group_sum",
     R"(# CSV を 1 つの列の値ごとにまとめ、別の列を合計します。
# オプションの例：-v key=1 -v col=3（書かなければ key=1、col=2）
# 結果は「値,合計,件数」の CSV で、値の順に並べます。
BEGIN {
    FS = ","
    OFS = ","
    if (key == "") key = 1
    if (col == "") col = 2
}
{
    sub(/\r$/, "")
    if ($col !~ /^[ \t]*[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)[ \t]*$/) next
    sum[$key] += $col
    count[$key]++
}
END {
    PROCINFO["sorted_in"] = "@ind_str_asc"
    for (k in sum) print k, sum[k], count[k]
}
)"},
    {"word_count",
     R"(# 文章の単語を数え、多い順に出します（同じ数なら単語の順）。
# 単語は空白で区切られたものです。英字の大文字と小文字は同じ単語とみなし、
# 英数字だけの単語は前後の記号（. , ! ? " など）を取ってから数えます。
{
    sub(/\r$/, "")
    for (i = 1; i <= NF; i++) {
        w = $i
        if (w !~ /[\200-\377]/) {
            w = tolower(w)
            gsub(/^[[:punct:]]+|[[:punct:]]+$/, "", w)
        }
        if (w != "") {
            count[w]++
            total++
        }
    }
}
END {
    PROCINFO["sorted_in"] = "by_count"
    for (w in count) printf "%7d  %s\n", count[w], w
    printf "%7d  （単語の数の合計、異なる単語 %d）\n", total, length(count)
}
function by_count(i1, v1, i2, v2) {
    if (v1 != v2) return v2 - v1
    return i1 < i2 ? -1 : i1 > i2
}
)"},
    {"unique_lines",
     R"(# 重なった行を取り除きます。最初に出た行を残し、順番は変えません。
# 行の終わりの CR は比べるときだけ無視します。
{
    k = $0
    sub(/\r$/, "", k)
}
!seen[k]++
)"},
    {"pick_fields",
     R"(# 指定した列だけを、指定した順に取り出します。
# 列の番号はオプションに -v cols=3,1 のように並べます（書かなければ 2,1：
# 1 列目と 2 列目の入れ替え）。区切りが空白でなければ -F, のように書くと、
# 出力も同じ区切りで並べます。$NF は -v cols=NF で指定できます。
BEGIN {
    if (cols == "") cols = "2,1"
    n = split(cols, c, ",")
    if (FS != " ") OFS = FS
}
{
    sub(/\r$/, "")
    line = ""
    for (i = 1; i <= n; i++) {
        f = c[i] == "NF" ? NF : c[i] + 0
        line = line (i > 1 ? OFS : "") $f
    }
    print line
}
)"},
    {"lines_between",
     R"(# 2 つのパターンの間の行を、そのパターンの行も含めて出します。
# オプションの例：-v from="^BEGIN" -v to="^END"
# 何度でも当てはまり、終わりのパターンがなければ最後まで出します。
BEGIN {
    if (from == "" || to == "") {
        print "オプションに -v from=\"始まりのパターン\" -v to=\"終わりのパターン\" を書いてください" > "/dev/stderr"
        exit 2
    }
}
{
    line = $0
    sub(/\r$/, "", line)
}
line ~ from, line ~ to
)"},
};

std::string ToScriptBytes(std::string_view utf8) {
  std::string crlf;
  crlf.reserve(utf8.size() + utf8.size() / 16);
  for (char ch : utf8) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  return cp932::FromUtf8(crlf).bytes;
}

}  // namespace

std::vector<SampleScript> SampleScripts(const std::string& ext) {
  std::vector<SampleScript> out;
  for (const Sample& s : kSamples) out.push_back({std::string(s.base) + ext, ToScriptBytes(s.text)});
  return out;
}

}  // namespace tolvan
