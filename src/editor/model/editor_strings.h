// The logical lines of an editor control (its Lines): no text of its own,
// every operation works on the control's current row store.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/shared_bytes.h"
#include "editor/model/editor_client.h"
#include "editor/model/screen_strings.h"

namespace tolvan {

// A file that could not be opened or read.
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TEditorStrings {
 public:
  // store gives the owner's current row store (it changes with ExchangeList).
  TEditorStrings(TEditorClient& owner, std::function<TEditorScreenStrings&()> store)
      : owner_(owner), store_(std::move(store)) {}

  int GetCount() const;
  std::string Get(int Line) const;
  void Put(int Line, std::string_view S);
  void Insert(int Line, std::string_view S);
  void Add(std::string_view S);
  void Delete(int Line);
  int LinesToRow(int Line) const { return store_().LinesToRow(Line); }
  void Clear();

  void SetTextStr(std::string_view S);
  std::string GetTextStr() const { return store_().ListToStr(); }
  void Assign(const TEditorStrings& Source);
  // Any other string list: one string per line.
  void Assign(const std::vector<std::string>& Source);

  // Reads the file once, in blocks of BlockSize bytes. Throws EFOpenError when it cannot be read (the store is cleared).
  void LoadFromFile(const std::filesystem::path& Name, std::size_t BlockSize = kLoadBlock);
  // Shows Text without copying it: the rows read from it until they are
  // edited, and it is kept alive as long as they do. Lines end at CR, LF or
  // CR LF; every byte is kept (no end-of-file mark is taken off).
  void LoadFromText(std::shared_ptr<const std::string> Text);
  // The same for bytes that are not a string (a memory file's mapping).
  void LoadFromText(const TSharedBytes& Text);
  // Writes the text (CR LF line ends) to a file; throws EFOpenError.
  void SaveToFile(const std::filesystem::path& Name) const;

  // The document's encoding (the store's).
  TextEncoding Encoding() const { return store_().Encoding(); }
  void SetEncoding(TextEncoding e) { store_().SetEncoding(e); }

  void SetUpdateState(bool Updating);
  int UpdateCount() const { return updateCount_; }

  static constexpr std::size_t kLoadBlock = 256 * 1024;

 private:
  TEditorScreenStrings& Store() const { return store_(); }

  TEditorClient& owner_;
  std::function<TEditorScreenStrings&()> store_;
  int updateCount_ = 0;
};

// Makes Client show Other's store instead of Own: releases Own (which may
// free it), references Other and re-initialises the client's view.
TEditorScreenStrings& ExchangeList(TEditorClient& Client, TEditorScreenStrings& Own,
                                   TEditorScreenStrings& Other);

}  // namespace tolvan
