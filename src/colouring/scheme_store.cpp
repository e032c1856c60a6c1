#include "colouring/scheme_store.h"

#include "colouring/component_stream.h"

namespace tolvan {

void LoadStoredGawkScheme(IniFile& ini, TGawkFountain& scheme) {
  try {
    scheme.ReadIni(ini, kSchemeSection, kGawkSchemeIdent);
  } catch (const EReadError& e) {
    throw std::runtime_error(std::string("The colouring scheme stored in the settings file cannot be read: ") +
                             e.what());
  }
}

bool StoreGawkScheme(IniFile& ini, const TGawkFountain& scheme) {
  return scheme.WriteIni(ini, kSchemeSection, kGawkSchemeIdent);
}

std::unique_ptr<TGawkFountain> CreateMainWindowGawkScheme() {
  auto scheme = std::make_unique<TGawkFountain>();
  scheme->SetName("GawkFountain1");
  return scheme;
}

std::unique_ptr<TGawkFountain> CreateEditorSettingsGawkScheme() {
  auto scheme = std::make_unique<TGawkFountain>();
  scheme->SetName("GawkFountain1");
  TStringList& words = scheme->ReserveWordList();
  words.Delete(words.IndexOf("int"));
  words.Add("END");
  scheme->Reserve().SetColor(clBlue);
  scheme->Comment().SetColor(clRed);
  scheme->Str().SetColor(clGray);
  scheme->Field().SetColor(clGreen);
  scheme->Field().SetStyle(FontStyleBit(fsBold));
  return scheme;
}

}  // namespace tolvan
