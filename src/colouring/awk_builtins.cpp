#include "colouring/awk_builtins.h"

#include <algorithm>
#include <array>

namespace tolvan {

namespace {

using K = TAwkBuiltinKind;

// Facts from gawk's manual page, written in Japanese for this table.
constexpr std::array kBuiltins = std::to_array<TAwkBuiltin>({
    {"ARGC", K::Variable, "ARGC", "コマンドライン引数の数（ARGV の要素数）"},
    {"ARGIND", K::Variable, "ARGIND", "いま読んでいるファイルの ARGV での添字"},
    {"ARGV", K::Variable, "ARGV", "コマンドライン引数の配列（ARGV[0] は gawk 自身）"},
    {"BEGIN", K::Keyword, "BEGIN", ""},
    {"BEGINFILE", K::Keyword, "BEGINFILE", ""},
    {"BINMODE", K::Variable, "BINMODE", "入出力をバイナリモードにするか（Windows 向け）"},
    {"CONVFMT", K::Variable, "CONVFMT", "数値を文字列に変換するときの書式（既定 \"%.6g\"）"},
    {"END", K::Keyword, "END", ""},
    {"ENDFILE", K::Keyword, "ENDFILE", ""},
    {"ENVIRON", K::Variable, "ENVIRON", "環境変数の配列（ENVIRON[\"HOME\"] など）"},
    {"ERRNO", K::Variable, "ERRNO", "getline や close が失敗したときのエラーの説明"},
    {"FIELDWIDTHS", K::Variable, "FIELDWIDTHS", "固定幅でフィールドを分けるときの各幅（空白区切り）"},
    {"FILENAME", K::Variable, "FILENAME", "いま読んでいる入力ファイルの名前"},
    {"FNR", K::Variable, "FNR", "いまのファイルでのレコード番号"},
    {"FPAT", K::Variable, "FPAT", "フィールドそのものを表す正規表現（FS の代わり）"},
    {"FS", K::Variable, "FS", "入力のフィールド区切り（既定は空白）"},
    {"FUNCTAB", K::Variable, "FUNCTAB", "定義されている関数の名前を添字とする配列"},
    {"IGNORECASE", K::Variable, "IGNORECASE", "0 以外なら正規表現と文字列の比較で大文字小文字を区別しない"},
    {"LINT", K::Variable, "LINT", "--lint と同じ検査を実行中に切り替える"},
    {"NF", K::Variable, "NF", "いまのレコードのフィールド数"},
    {"NR", K::Variable, "NR", "これまでに読んだレコードの総数"},
    {"OFMT", K::Variable, "OFMT", "print が数値を出力するときの書式（既定 \"%.6g\"）"},
    {"OFS", K::Variable, "OFS", "出力のフィールド区切り（既定は空白 1 つ）"},
    {"ORS", K::Variable, "ORS", "出力のレコード区切り（既定は改行）"},
    {"PREC", K::Variable, "PREC", "任意精度演算（-M）の精度（ビット数）"},
    {"PROCINFO", K::Variable, "PROCINFO", "gawk とプロセスの情報の配列（PROCINFO[\"version\"] など）"},
    {"RLENGTH", K::Variable, "RLENGTH", "match() で一致した部分の長さ（一致なしは -1）"},
    {"ROUNDMODE", K::Variable, "ROUNDMODE", "任意精度演算（-M）の丸め方"},
    {"RS", K::Variable, "RS", "入力のレコード区切り（既定は改行）"},
    {"RSTART", K::Variable, "RSTART", "match() で一致した位置（一致なしは 0）"},
    {"RT", K::Variable, "RT", "いまのレコードを終えた区切りの実際の文字列"},
    {"SUBSEP", K::Variable, "SUBSEP", "多次元配列の添字をつなぐ文字（既定 \"\\034\"）"},
    {"SYMTAB", K::Variable, "SYMTAB", "大域変数と配列を名前で引ける配列"},
    {"TEXTDOMAIN", K::Variable, "TEXTDOMAIN", "国際化で使うテキストドメイン"},
    {"and", K::Function, "and(v1, v2 [, ...])", "引数のビットごとの論理積を返す"},
    {"asort", K::Function, "asort(source [, dest [, how]])", "配列の値を並べ替え、添字を 1 からの連番にする。要素数を返す"},
    {"asorti", K::Function, "asorti(source [, dest [, how]])", "配列の添字を並べ替えて値とする。要素数を返す"},
    {"atan2", K::Function, "atan2(y, x)", "y/x の逆正接をラジアンで返す"},
    {"bindtextdomain", K::Function, "bindtextdomain(directory [, domain])", "翻訳ファイル（.gmo）を探すディレクトリを指定する"},
    {"break", K::Keyword, "break", ""},
    {"case", K::Keyword, "case", ""},
    {"close", K::Function, "close(file [, how])", "ファイルやパイプを閉じる。how に \"to\" か \"from\" で双方向パイプの片側だけ"},
    {"compl", K::Function, "compl(val)", "ビットごとの補数を返す"},
    {"continue", K::Keyword, "continue", ""},
    {"cos", K::Function, "cos(x)", "x（ラジアン）の余弦を返す"},
    {"dcgettext", K::Function, "dcgettext(string [, domain [, category]])", "string の翻訳を返す"},
    {"dcngettext", K::Function, "dcngettext(string1, string2, number [, domain [, category]])", "number に合う単数形か複数形の翻訳を返す"},
    {"default", K::Keyword, "default", ""},
    {"delete", K::Keyword, "delete", ""},
    {"do", K::Keyword, "do", ""},
    {"else", K::Keyword, "else", ""},
    {"exit", K::Keyword, "exit", ""},
    {"exp", K::Function, "exp(x)", "e の x 乗を返す"},
    {"fflush", K::Function, "fflush([file])", "出力のバッファを書き出す。引数なしはすべての出力"},
    {"for", K::Keyword, "for", ""},
    {"func", K::Keyword, "func", ""},
    {"function", K::Keyword, "function", ""},
    {"gensub", K::Function, "gensub(regexp, replacement, how [, target])", "置き換えた結果を返す（target は変えない）。how は \"g\" か何番目か"},
    {"getline", K::Keyword, "getline", ""},
    {"gsub", K::Function, "gsub(regexp, replacement [, target])", "一致するすべてを置き換え、置き換えた数を返す（target 既定は $0）"},
    {"if", K::Keyword, "if", ""},
    {"in", K::Keyword, "in", ""},
    {"index", K::Function, "index(in, find)", "in の中で find が最初に現れる位置（1 から、なければ 0）"},
    {"int", K::Function, "int(x)", "x の小数部を切り捨てた整数を返す"},
    {"isarray", K::Function, "isarray(x)", "x が配列なら 1、そうでなければ 0"},
    {"length", K::Function, "length([string])", "文字列の長さか配列の要素数を返す（引数なしは $0 の長さ）"},
    {"log", K::Function, "log(x)", "x の自然対数を返す"},
    {"lshift", K::Function, "lshift(val, count)", "val を count ビット左へずらした値を返す"},
    {"match", K::Function, "match(string, regexp [, array])", "一致した位置を返し RSTART と RLENGTH を設定する。array に部分一致を入れる"},
    {"mkbool", K::Function, "mkbool(expression)", "expression の真偽を表す真偽値（1 か 0）を返す"},
    {"mktime", K::Function, "mktime(datespec [, utc-flag])", "\"YYYY MM DD HH MM SS\" を紀元からの秒数にする"},
    {"next", K::Keyword, "next", ""},
    {"nextfile", K::Keyword, "nextfile", ""},
    {"or", K::Function, "or(v1, v2 [, ...])", "引数のビットごとの論理和を返す"},
    {"patsplit", K::Function, "patsplit(string, array [, fieldpat [, seps]])", "fieldpat に一致する部分で string を分けて array に入れ、数を返す"},
    {"print", K::Keyword, "print", ""},
    {"printf", K::Keyword, "printf", ""},
    {"rand", K::Function, "rand()", "0 以上 1 未満の乱数を返す"},
    {"return", K::Keyword, "return", ""},
    {"rshift", K::Function, "rshift(val, count)", "val を count ビット右へずらした値を返す"},
    {"sin", K::Function, "sin(x)", "x（ラジアン）の正弦を返す"},
    {"split", K::Function, "split(string, array [, fieldsep [, seps]])", "string を fieldsep で分けて array に入れ、要素数を返す（既定は FS）"},
    {"sprintf", K::Function, "sprintf(format, expression1, ...)", "printf と同じ書式で作った文字列を返す"},
    {"sqrt", K::Function, "sqrt(x)", "x の平方根を返す"},
    {"srand", K::Function, "srand([x])", "乱数の種を x（既定は現在時刻）にし、前の種を返す"},
    {"strftime", K::Function, "strftime([format [, timestamp [, utc-flag]]])", "時刻を format で書式化した文字列を返す"},
    {"strtonum", K::Function, "strtonum(str)", "str を数値にする（0x で 16 進、0 で 8 進）"},
    {"sub", K::Function, "sub(regexp, replacement [, target])", "最初の一致を置き換え、置き換えた数（0 か 1）を返す（target 既定は $0）"},
    {"substr", K::Function, "substr(string, start [, length])", "string の start 文字目から length 文字（既定は最後まで）を返す"},
    {"switch", K::Keyword, "switch", ""},
    {"system", K::Function, "system(command)", "シェルでコマンドを実行し、終了状態を返す"},
    {"systime", K::Function, "systime()", "現在時刻を紀元からの秒数で返す"},
    {"tolower", K::Function, "tolower(string)", "英大文字を小文字にした文字列を返す"},
    {"toupper", K::Function, "toupper(string)", "英小文字を大文字にした文字列を返す"},
    {"typeof", K::Function, "typeof(x)", "x の型を \"array\"、\"number\"、\"string\"、\"strnum\"、\"unassigned\" などで返す"},
    {"while", K::Keyword, "while", ""},
    {"xor", K::Function, "xor(v1, v2 [, ...])", "引数のビットごとの排他的論理和を返す"},
});

constexpr bool Sorted() {
  for (std::size_t i = 1; i < kBuiltins.size(); ++i)
    if (!(kBuiltins[i - 1].Name < kBuiltins[i].Name)) return false;
  return true;
}
static_assert(Sorted(), "the table is searched by halves");

}  // namespace

std::span<const TAwkBuiltin> AwkBuiltins() { return kBuiltins; }

const TAwkBuiltin* FindAwkBuiltin(std::string_view name) {
  const auto it = std::lower_bound(kBuiltins.begin(), kBuiltins.end(), name,
                                   [](const TAwkBuiltin& b, std::string_view n) { return b.Name < n; });
  return it != kBuiltins.end() && it->Name == name ? &*it : nullptr;
}

}  // namespace tolvan
