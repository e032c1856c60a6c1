// A stand-in for the editor widget: fixed metrics, an in-memory clipboard,
// and a record of what the control asked of the window.
#pragma once

#include <string>
#include <vector>

#include "editor/control/editor.h"

namespace tolvan::test {

class RecordingPlatform : public TEditorPlatform {
 public:
  bool HandleAllocated() const override { return handle; }
  bool Focused() const override { return focused; }
  TFontMetrics FontMetrics() const override { return metrics; }
  int ClientWidth() const override { return width; }
  int ClientHeight() const override { return height; }
  int ScrollBarSize(TScrollBarKind) const override { return 16; }
  void Invalidate(const TRect& r) override { invalidated.push_back(r); }
  void ScrollRect(int dx, int dy, const TRect& clip) override { scrolls.push_back({dx, dy, clip}); }
  void SetScrollBar(TScrollBarKind k, int min, int max, int page, int pos) override {
    Bar& b = k == sbVertical ? vbar : hbar;
    b = Bar{min, max, page, pos};
  }
  void SetScrollPos(TScrollBarKind k, int pos) override { (k == sbVertical ? vbar : hbar).pos = pos; }
  void ShowScrollBar(TScrollBarKind, bool) override {}
  void CreateCaret(int w, int h) override {
    caretW = w;
    caretH = h;
  }
  void DestroyCaret() override {}
  void SetCaretPos(int x, int y) override {
    caretX = x;
    caretY = y;
  }
  void ShowCaret() override { ++shows; }
  void HideCaret() override { ++hides; }
  void SetCursor(TEditorMouseCursorState s) override { cursor = s; }
  void SetCompositionWindow(int x, int y) override {
    imeX = x;
    imeY = y;
  }
  bool ReadClipboard(std::string& text, bool& box) override {
    if (!clipHasText) return false;
    text = clip;
    box = clipBox;
    return true;
  }
  bool ClipboardHasText() override { return clipHasText; }
  void Refuse(TEditorRefusal r) override { refusals.push_back(r); }
  void WriteClipboard(std::string text, bool box) override {
    clip = std::move(text);
    clipBox = box;
    clipHasText = true;
  }

  struct Bar {
    int min = 0, max = 0, page = 0, pos = 0;
  };
  struct Scroll {
    int dx, dy;
    TRect clip;
  };
  bool handle = true, focused = true;
  TFontMetrics metrics{16, 0, 8, false};
  int width = 800, height = 600;
  std::vector<TRect> invalidated;
  std::vector<Scroll> scrolls;
  Bar vbar, hbar;
  int caretW = 0, caretH = 0, caretX = 0, caretY = 0, shows = 0, hides = 0;
  TEditorMouseCursorState cursor = mcClient;
  int imeX = -1, imeY = -1;
  std::string clip;
  bool clipBox = false, clipHasText = false;
  std::vector<TEditorRefusal> refusals;
};

// A control on a recording platform, laid out as a window would be.
struct Ed {
  RecordingPlatform p;
  TEditor e{p};
  Ed() { e.Resized(); }
  explicit Ed(std::string_view text) : Ed() { Set(text); }
  void Set(std::string_view text) {
    e.Lines().SetTextStr(text);
    e.SetRowCol(0, 0);
  }
  std::string Text() const { return e.List().ListToStr(); }
  void Type(std::string_view bytes) { e.CharBytes(bytes); }
  void Key(TEditorKey k, TShiftState s = 0) { e.KeyDown(k, s); }
  // Pixel point of a cell's left half.
  TPoint At(int row, int col) const {
    return TPoint{e.LeftMargin() + (col - e.TopCol()) * e.ColWidth() + 1,
                  e.TopMargin() + (row - e.TopRow()) * e.GetRowHeight() + 1};
  }
  void Select(int r1, int c1, int r2, int c2) {
    e.SetRowCol(r1, c1);
    e.InitSelection();
    e.SetRowCol(r2, c2);
    e.StartSelection();
  }
};

}  // namespace tolvan::test
