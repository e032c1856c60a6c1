// A stand-in for the editor control: keeps a caret and top row, records
// what the model asks of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/model/editor_client.h"
#include "editor/model/screen_strings.h"

namespace tolvan::test {

class TestClient : public TEditorClient {
 public:
  int CaretRow() const override { return row; }
  int CaretCol() const override { return col; }
  void SetRowCol(int r, int c) override {
    row = r;
    col = c;
  }
  void CaretBeginUpdate() override { ++caretDepth; }
  void CaretEndUpdate() override { --caretDepth; }
  int TopRow() const override { return top; }
  void SetTopRow(int r) override { top = r; }
  void CleanSelection() override { ++cleanSelections; }
  bool Focused() const override { return focused; }
  void InvalidateRow(int first, int last) override {
    for (int r = first; r <= last; ++r) invalidated.push_back(r);
  }
  void InitView() override { ++initViews; }
  void InitCol() override { ++initCols; }
  void DoChange() override {
    ++changes;
    if (store && store->DrawInfo().Valid) {
      lastDraw = store->DrawInfo();
      modified = true;
    }
  }
  int ScreenHeight() const override { return screenHeight; }
  int RowHeight() const override { return rowHeight; }
  int TabSpaceCount() const override { return tabs; }
  bool InitBracketsFull() const override { return full; }
  TRowStateParserFactory* ActiveScheme() const override { return scheme; }

  int row = 0, col = 0, top = 0;
  int caretDepth = 0, cleanSelections = 0, initViews = 0, initCols = 0, changes = 0;
  bool focused = false, modified = false, full = false;
  int screenHeight = 160, rowHeight = 16, tabs = 8;
  std::vector<int> invalidated;
  TDrawInfo lastDraw;
  TRowStateParserFactory* scheme = nullptr;
  TEditorScreenStrings* store = nullptr;
};

// A store with one client attached; the store frees itself when released.
struct Fixture {
  TestClient client;
  TEditorScreenStrings* store = new TEditorScreenStrings;
  Fixture() {
    store->Reference(&client);
    client.store = store;
  }
  ~Fixture() { store->Release(&client); }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  // Rows as "text|attr" strings, attr one of c w e.
  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (int r = 0; r < store->Count(); ++r) {
      TRowAttribute a = store->Rows(r);
      out.push_back(std::string(store->Get(r)) + "|" + (a == raCrlf ? "c" : a == raWrapped ? "w" : a == raEof ? "e" : "?"));
    }
    return out;
  }
};

}  // namespace tolvan::test
