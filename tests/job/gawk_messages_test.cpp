#include "job/gawk_messages.h"

#include <gtest/gtest.h>

#include "job_test_support.h"


namespace tolvan {
namespace {

using K = GawkMessageKind;
using P = GawkMessagePlace;

TEST(GawkMessages, OneTablePerForm) {
  const std::string name = "/home/u/a.awk";
  struct Case {
    const char* what;
    std::string text;
    std::vector<GawkMessage> want;
  } cases[] = {
      {"a warning", "gawk: /home/u/a.awk:3: warning: call of `length' without parentheses is not portable\n",
       {{K::Warning, P::Script, 3, "call of `length' without parentheses is not portable"}}},
      {"an error word", "gawk: /home/u/a.awk:5: error: function `f': parameter #2, `a', duplicates parameter #1\n",
       {{K::Error, P::Script, 5, "function `f': parameter #2, `a', duplicates parameter #1"}}},
      {"echo and caret are one error",
       "gawk: /home/u/a.awk:6: { print $1 ; x = 1 + }\ngawk: /home/u/a.awk:6:                      ^ syntax error\n",
       {{K::Error, P::Script, 6, "syntax error"}}},
      {"an echo without its caret stays", "gawk: /home/u/a.awk:2:   s = \"abc\n",
       {{K::Error, P::Script, 2, "s = \"abc"}}},
      {"a run-time warning names the input", "gawk: /home/u/a.awk:2: (FILENAME=- FNR=1) warning: reference to uninitialized variable `q'\r\n",
       {{K::Warning, P::Script, 2, "reference to uninitialized variable `q'"}}},
      {"fatal is an error", "gawk: /home/u/a.awk:12: fatal: division by zero attempted\n",
       {{K::Error, P::Script, 12, "division by zero attempted"}}},
      {"a one-liner", "gawk: cmd. line:1: BEGIN{print q\ngawk: cmd. line:1:              ^ unexpected newline or end of string\n",
       {{K::Error, P::CommandLine, 1, "unexpected newline or end of string"}}},
      {"no place", "gawk: fatal: cannot open source file `x' for reading: No such file or directory\n",
       {{K::Error, P::None, 0, "cannot open source file `x' for reading: No such file or directory"}}},
      {"another file keeps its name", "gawk: lib.awk:4: warning: statement has no effect\n",
       {{K::Warning, P::OtherFile, 4, "lib.awk:4: statement has no effect"}}},
      {"a name that only starts the same", "gawk: /home/u/a.awk2:5: warning: x\n",
       {{K::Warning, P::OtherFile, 5, "/home/u/a.awk2:5: x"}}},
      {"what the script wrote is no message", "total: 12\nhello world\ngawk: /home/u/a.awk:9\n", {}},
      {"several in one run, in order",
       "gawk: /home/u/a.awk:2: warning: regular expression on left of `~' or `!~' operator\n"
       "gawk: /home/u/a.awk:3: warning: call of `length' without parentheses is not portable\n"
       "gawk: /home/u/a.awk:6: x = }\ngawk: /home/u/a.awk:6:     ^ syntax error\n"
       "gawk: /home/u/a.awk:7: y = )\ngawk: /home/u/a.awk:7:     ^ syntax error\n",
       {{K::Warning, P::Script, 2, "regular expression on left of `~' or `!~' operator"},
        {K::Warning, P::Script, 3, "call of `length' without parentheses is not portable"},
        {K::Error, P::Script, 6, "syntax error"},
        {K::Error, P::Script, 7, "syntax error"}}},
      {"a caret of another line does not take the echo",
       "gawk: /home/u/a.awk:6: x = }\ngawk: /home/u/a.awk:7:     ^ syntax error\n",
       {{K::Error, P::Script, 6, "x = }"}, {K::Error, P::Script, 7, "syntax error"}}},
      {"", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseGawkMessages(c.text, name), c.want) << c.what;
}

TEST(GawkMessages, JapaneseRowsInEitherEncoding) {
  // gawk in a Japanese locale: its words translated, in the locale's encoding;
  // the script's name and the echoed row hold Japanese too.
  for (const TextEncoding e : {TextEncoding::Cp932, TextEncoding::Utf8}) {
    auto t = [&](const char* utf8) { return FromUtf8(e, utf8).bytes; };
    const std::string name = t("/home/u/集計表.awk");
    const std::string text = t("gawk: /home/u/集計表.awk:2: 警告: 文に効果がありません\n"
                               "gawk: /home/u/集計表.awk:4: エラー: 関数 `f' は定義されていません\n"
                               "gawk: /home/u/集計表.awk:5: print \"表示\" +\n"
                               "gawk: /home/u/集計表.awk:5:                ^ 予期しない改行または文字列終端です\n"
                               "gawk: コマンドライン:1: 致命的: 0 による除算が試みられました\n");
    const std::vector<GawkMessage> want = {
        {K::Warning, P::Script, 2, t("文に効果がありません")},
        {K::Error, P::Script, 4, t("関数 `f' は定義されていません")},
        {K::Error, P::Script, 5, t("予期しない改行または文字列終端です")},
        {K::Error, P::CommandLine, 1, t("0 による除算が試みられました")},
    };
    EXPECT_EQ(ParseGawkMessages(text, name, e), want) << EncodingName(e);
  }
}

}  // namespace
}  // namespace tolvan
