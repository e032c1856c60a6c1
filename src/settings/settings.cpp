#include "settings/settings.h"

#include <algorithm>
#include <thread>

#include "core/codepage.h"
#include "settings/program_files.h"

namespace tolvan {

int ClampParallel(int n) {
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::clamp(n, 1, cores);
}

const char* CrLfInputName(CrLfInput v) {
  switch (v) {
    case CrLfInput::Always: return "always";
    case CrLfInput::Never: return "never";
    case CrLfInput::Auto: break;
  }
  return "auto";
}

std::optional<CrLfInput> ParseCrLfInput(std::string_view name) {
  for (CrLfInput v : {CrLfInput::Auto, CrLfInput::Always, CrLfInput::Never}) {
    const std::string_view known = CrLfInputName(v);
    if (name.size() == known.size() &&
        std::equal(name.begin(), name.end(), known.begin(), [](char a, char b) { return (a | 0x20) == b; }))
      return v;
  }
  return std::nullopt;
}

MainSettings LoadMainSettings(const IniFile& ini) {
  MainSettings d;
  MainSettings s;
  s.Path = ini.ReadString(kSectionAwkExe, "Path", d.Path);
  s.Ext = ini.ReadString(kSectionAwkExe, "Ext", d.Ext);
  s.Pref = ini.ReadString(kSectionAwkExe, "Pref", d.Pref);
  s.SCmdLn = ini.ReadBool(kSectionAwkExe, "SCmdLn", d.SCmdLn);
  s.SClickOpen = ini.ReadBool(kSectionAwkExe, "SClickOpen", d.SClickOpen);
  s.ScriptQuote = ini.ReadInteger(kSectionAwkExe, "ScriptQuote", d.ScriptQuote);
  s.Option = ini.ReadString(kSectionAwkExe, "Option", d.Option);
  s.Parallel = ClampParallel(ini.ReadInteger(kSectionAwkExe, "Parallel", d.Parallel));
  s.Encoding = ReadEncoding(ini, kSectionAwkExe, "Encoding");
  s.CrLf = ParseCrLfInput(ini.ReadString(kSectionAwkExe, "CrLfInput", "")).value_or(CrLfInput::Auto);
  s.ExEditor = ini.ReadBool(kSectionEditor, "ExEditor", d.ExEditor);
  s.NewScriptEncoding = ReadEncoding(ini, kSectionEditor, "NewEncoding");
  return s;
}

bool SaveMainSettings(IniFile& ini, const MainSettings& s) {
  bool ok = ini.WriteString(kSectionAwkExe, "Path", s.PathInFile.value_or(s.Path));
  if (!s.Pref.empty()) ok = ini.WriteString(kSectionAwkExe, "Pref", s.Pref) && ok;
  ok = ini.WriteString(kSectionAwkExe, "Ext", s.Ext) && ok;
  ok = ini.WriteBool(kSectionAwkExe, "SCmdLn", s.SCmdLn) && ok;
  ok = ini.WriteBool(kSectionAwkExe, "SClickOpen", s.SClickOpen) && ok;
  ok = ini.WriteInteger(kSectionAwkExe, "ScriptQuote", s.ScriptQuote) && ok;
  ok = ini.WriteString(kSectionAwkExe, "Option", s.Option) && ok;
  if (s.Parallel != 1 || ini.KeyExists(kSectionAwkExe, "Parallel"))
    ok = ini.WriteInteger(kSectionAwkExe, "Parallel", s.Parallel) && ok;
  // Files written before the encodings existed stay as they were.
  auto writeEncoding = [&](const char* section, const char* key, TextEncoding e) {
    if (e != TextEncoding::Cp932 || ini.KeyExists(section, key))
      ok = ini.WriteString(section, key, EncodingName(e)) && ok;
  };
  writeEncoding(kSectionAwkExe, "Encoding", s.Encoding);
  if (s.CrLf != CrLfInput::Auto || ini.KeyExists(kSectionAwkExe, "CrLfInput"))
    ok = ini.WriteString(kSectionAwkExe, "CrLfInput", CrLfInputName(s.CrLf)) && ok;
  ok = ini.WriteBool(kSectionEditor, "ExEditor", s.ExEditor) && ok;
  writeEncoding(kSectionEditor, "NewEncoding", s.NewScriptEncoding);
  return ok;
}

void FindAwkUntilStored(const IniFile& ini, MainSettings& s) {
  if (!s.Path.empty() || ini.KeyExists(kSectionAwkExe, "Path")) return;
  const std::filesystem::path gawk = FindOnPath("gawk");
  if (gawk.empty()) return;
  cp932::EncodeResult bytes = cp932::FromUtf8(gawk.string());
  if (bytes.ok) s.Path = bytes.bytes;
}

std::string StandInForUnusableAwk(MainSettings& s) {
  if (s.Path.empty() || s.PathInFile) return {};
  const std::string stored = cp932::ToUtf8(s.Path);
  if (ProgramStartError(stored) == 0) return {};
  const std::filesystem::path gawk = FindOnPath("gawk");
  const cp932::EncodeResult bytes = cp932::FromUtf8(gawk.string());
  std::string text = "設定ファイルの awk.exe の所在「" + stored + "」は実行できるプログラムではありません。";
  if (gawk.empty() || !bytes.ok) return text + "PATH にも gawk がありません。環境設定で gawk を指定してください。";
  s.PathInFile = s.Path;
  s.Path = bytes.bytes;
  return text + "代わりに PATH の " + gawk.string() + " を使います（環境設定で設定するまで、設定ファイルは変えません）。";
}

std::string LoadAwkLocale(const IniFile& ini, TextEncoding job) {
  std::string v = ini.ReadString(kSectionAwkExe, "Locale", "");
  if (!v.empty()) return v;
  return job == TextEncoding::Utf8 ? "C.UTF-8" : "C";
}

TextEncoding ReadEncoding(const IniFile& ini, const char* section, const char* key) {
  return ParseEncodingName(ini.ReadString(section, key, "")).value_or(TextEncoding::Cp932);
}

EditorSettings LoadEditorSettings(const IniFile& ini) {
  EditorSettings d;
  EditorSettings s;
  s.FontName = ini.ReadString(kSectionEditor, "FontName", d.FontName);
  s.FontSize = ini.ReadInteger(kSectionEditor, "FontSize", d.FontSize);
  s.LineSpace = ini.ReadInteger(kSectionEditor, "LineSpace", d.LineSpace);
  s.TabSpace = ini.ReadInteger(kSectionEditor, "TabSpace", d.TabSpace);
  s.Width = ini.ReadInteger(kSectionEditor, "Width", d.Width);
  s.Height = ini.ReadInteger(kSectionEditor, "Height", d.Height);
  s.SyntaxCheck = ini.ReadBool(kSectionEditor, "SyntaxCheck", d.SyntaxCheck);
  s.Outline = ini.ReadBool(kSectionEditor, "Outline", d.Outline);
  return s;
}

bool SaveEditorFontSettings(IniFile& ini, const EditorSettings& s) {
  bool ok = ini.WriteString(kSectionEditor, "FontName", s.FontName);
  ok = ini.WriteInteger(kSectionEditor, "FontSize", s.FontSize) && ok;
  ok = ini.WriteInteger(kSectionEditor, "LineSpace", s.LineSpace) && ok;
  ok = ini.WriteInteger(kSectionEditor, "TabSpace", s.TabSpace) && ok;
  return ok;
}

bool SaveEditorPanes(IniFile& ini, const EditorSettings& s) {
  const bool ok = ini.WriteBool(kSectionEditor, "SyntaxCheck", s.SyntaxCheck);
  return ini.WriteBool(kSectionEditor, "Outline", s.Outline) && ok;
}

bool SaveEditorWindowSize(IniFile& ini, const EditorSettings& s) {
  bool ok = ini.WriteInteger(kSectionEditor, "Width", s.Width);
  ok = ini.WriteInteger(kSectionEditor, "Height", s.Height) && ok;
  return ok;
}

}  // namespace tolvan
