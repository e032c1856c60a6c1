// Randomised damage to stored schemes, with fixed seeds: every damaged
// stream either reads or is refused with EReadError, and a refused one leaves
// the scheme exactly as it was. Run under the sanitizers this also shows
// that nothing reads past its input.
#include <gtest/gtest.h>

#include <random>

#include "colouring/component_stream.h"
#include "colouring/editor_fountain.h"
#include "colouring/ini_stream.h"
#include "colouring/scheme_store.h"

namespace tolvan {
namespace {

std::vector<std::string> Seeds() {
  auto editor = CreateEditorSettingsGawkScheme();
  auto* item = editor->Brackets().Add();
  item->SetLeftBracket("/*");
  item->SetRightBracket("*/");
  item->ItemColor().SetColor(0x123456);
  editor->SetTag(-300);
  editor->DesignLeft = 8;
  TEditorFountain builtIn;
  builtIn.SetHexPrefix("0x");
  builtIn.SetMail(true);
  return {WriteComponentStream(*CreateMainWindowGawkScheme()), WriteComponentStream(*editor),
          WriteComponentStream(builtIn)};
}

std::string Mutate(std::string s, std::mt19937& rng) {
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n)(rng); };
  const int edits = 1 + static_cast<int>(pick(3));
  for (int e = 0; e < edits; ++e) {
    switch (pick(5)) {
      case 0:  // truncate
        s.resize(pick(s.size()));
        break;
      case 1:  // flip a byte
        if (!s.empty()) s[pick(s.size() - 1)] = static_cast<char>(pick(255));
        break;
      case 2:  // insert a byte
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(pick(s.size())), static_cast<char>(pick(255)));
        break;
      case 3:  // delete a run
        if (!s.empty()) {
          const std::size_t at = pick(s.size() - 1);
          s.erase(at, pick(8));
        }
        break;
      case 4:  // a small type or length byte
        if (!s.empty()) s[pick(s.size() - 1)] = static_cast<char>(pick(20));
        break;
      default:  // duplicate a slice
        if (!s.empty()) {
          const std::size_t at = pick(s.size() - 1);
          s.insert(at, s.substr(at, pick(16)));
        }
        break;
    }
  }
  return s;
}

struct TEditorFountainForTest : TEditorFountain {
  TFountainColor& Comment() const { return Colors().Comment(); }
};

template <class Scheme>
void ReadOrRefuse(const std::string& bytes, int& read, int& refused) {
  Scheme scheme;
  scheme.Comment().SetColor(clGreen);
  const std::string before = WriteComponentStream(scheme);
  try {
    ReadComponentStream(bytes, scheme);
    ++read;
    // What was read can be written and read again to the same bytes.
    const std::string after = WriteComponentStream(scheme);
    Scheme again;
    ReadComponentStream(after, again);
    ASSERT_EQ(WriteComponentStream(again), after);
  } catch (const EReadError&) {
    ++refused;
    ASSERT_EQ(WriteComponentStream(scheme), before);
  }
}

TEST(StreamMutation, DamagedStreamsReadOrAreRefusedCleanly) {
  const std::vector<std::string> seeds = Seeds();
  int read = 0, refused = 0;
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 3000; ++i) {
      const std::string& base = seeds[static_cast<std::size_t>(i) % seeds.size()];
      const std::string bytes = Mutate(base, rng);
      ReadOrRefuse<TGawkFountain>(bytes, read, refused);
      if (i % 3 == 2) ReadOrRefuse<TEditorFountainForTest>(bytes, read, refused);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  // Both outcomes occur: the damage is neither always harmless nor always fatal.
  EXPECT_GT(read, 100);
  EXPECT_GT(refused, 1000);
}

TEST(StreamMutation, DamagedHexLinesAreRefusedCleanly) {
  const std::vector<std::string> seeds = Seeds();
  std::mt19937 rng(77);
  const std::string digits = "0123456789ABCDEFabcdefXZ -";
  for (int i = 0; i < 2000; ++i) {
    std::vector<std::string> lines = StreamToStrings(seeds[static_cast<std::size_t>(i) % 2]);
    auto& line = lines[rng() % lines.size()];
    switch (rng() % 3) {
      case 0: line[rng() % line.size()] = digits[rng() % digits.size()]; break;
      case 1: line.resize(rng() % (line.size() + 1)); break;
      default: lines.resize(rng() % lines.size()); break;
    }
    TGawkFountain scheme;
    const std::string before = WriteComponentStream(scheme);
    try {
      ReadComponentStream(StringsToStream(lines), scheme);
    } catch (const EReadError&) {
      ASSERT_EQ(WriteComponentStream(scheme), before);
    }
  }
}

}  // namespace
}  // namespace tolvan
