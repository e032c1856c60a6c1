#include "editor/model/editor_strings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <random>

#include <gtest/gtest.h>

#include "core/files.h"
#include "support/temp_dir.h"
#include "test_client.h"

namespace tolvan {
namespace {

using test::Fixture;
using V = std::vector<std::string>;

class Lines : public ::testing::Test {
 protected:
  std::string Load(const std::string& bytes, std::size_t block = TEditorStrings::kLoadBlock) {
    auto path = dir / "in.txt";
    EXPECT_TRUE(WriteFileAtomically(path, bytes));
    lines.LoadFromFile(path, block);
    auto out = dir / "out.txt";
    lines.SaveToFile(out);
    std::string saved;
    EXPECT_TRUE(ReadWholeFile(out, saved));
    return saved;
  }
  test::TempDir dir;
  Fixture f;
  TEditorStrings lines{f.client, [this]() -> TEditorScreenStrings& { return *f.store; }};
};

TEST_F(Lines, LoadAndSaveLineEnds) {
  EXPECT_EQ(Load("a\r\nb"), "a\r\nb");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|e"}));
  EXPECT_EQ(Load("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|c"}));
  EXPECT_EQ(Load("a\rb\r\rc"), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(Load(""), "");
  EXPECT_EQ(f.store->Count(), 0);
  EXPECT_EQ(Load("\r\n"), "\r\n");
  EXPECT_EQ(f.Rows(), V({"|c"}));
}

TEST_F(Lines, LineEndSplitAcrossBlocks) {
  std::string text = std::string(8191, 'x') + "\r\n" + "tail";
  EXPECT_EQ(Load(text, 8192), text);
  EXPECT_EQ(f.store->Count(), 2);
  EXPECT_EQ(f.store->Get(1), "tail");
  // A line longer than several blocks is joined whole.
  std::string longLine = std::string(20000, 'y') + "\nz";
  EXPECT_EQ(Load(longLine, 8192), std::string(20000, 'y') + "\r\nz");
  EXPECT_EQ(f.store->Get(0).size(), 20000u);
  // A lone CR at a block end followed by text is one line end.
  EXPECT_EQ(Load(std::string(8191, 'x') + "\rq", 8192), std::string(8191, 'x') + "\r\nq");
}

TEST_F(Lines, CtrlZAndNulBytes) {
  // The final Ctrl-Z is the old end-of-file mark.
  EXPECT_EQ(Load("abc\r\n\x1a"), "abc\r\n");
  // Text after a Ctrl-Z is kept, the Ctrl-Z with it.
  EXPECT_EQ(Load("ab\x1a" "cd\r\nef"), "ab\x1a" "cd\r\nef");
  std::string nul("a\0b\r\n\0", 6);
  EXPECT_EQ(Load(nul), nul);
  EXPECT_EQ(f.store->Get(0), std::string("a\0b", 3));
}

TEST_F(Lines, MissingFileThrowsAfterClearing) {
  lines.SetTextStr("keep");
  EXPECT_THROW(lines.LoadFromFile(dir / "none.txt"), EFOpenError);
  EXPECT_EQ(f.store->Count(), 0);
}

// A named pipe, a folder or a device is refused at once: opening a pipe
// must not wait for a writer.
TEST_F(Lines, NonRegularFilesAreRefusedWithoutBlocking) {
  const std::filesystem::path fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::filesystem::path& p : {fifo, dir.path(), std::filesystem::path("/dev/null")}) {
    auto load = std::async(std::launch::async, [&] {
      try {
        lines.LoadFromFile(p);
      } catch (const EFOpenError& e) {
        return std::string(e.what());
      }
      return std::string("loaded");
    });
    if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
      ADD_FAILURE() << p << " blocked";
      // A writer lets a blocked open return, so the test can end.
      const int w = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (w >= 0) ::close(w);
    }
    const std::string what = load.get();
    EXPECT_NE(what.find("Not a regular file"), std::string::npos) << p << ": " << what;
  }
}

// The loader from memory cuts lines as the file loader does, keeps every
// byte (a final Ctrl-Z too) and reads from the text it was given.
TEST_F(Lines, LoadFromTextKeepsBytesAndSharesTheText) {
  auto load = [&](std::string bytes) {
    lines.LoadFromText(std::make_shared<const std::string>(std::move(bytes)));
    return f.store->ListToStr();
  };
  EXPECT_EQ(load("a\r\nb"), "a\r\nb");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|e"}));
  EXPECT_EQ(load("a\nb\n"), "a\r\nb\r\n");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|c"}));
  EXPECT_EQ(load("a\rb\r\rc"), "a\r\nb\r\n\r\nc");
  EXPECT_EQ(load("\xFF\xED\x40\x1a"), "\xFF\xED\x40\x1a");
  EXPECT_EQ(load(""), "");
  EXPECT_EQ(f.store->Count(), 0);
  lines.LoadFromText(nullptr);
  EXPECT_EQ(f.store->Count(), 0);
  // Many blocks of rows, a CR LF at every block edge: the same rows as
  // splitting by hand, and the text stays alive with the rows alone.
  std::string big;
  std::vector<std::string> want;
  for (int i = 0; i < 3 * TRowBlocks::kBlockRows + 7; ++i) {
    want.push_back(std::string(static_cast<std::size_t>(i % 50), 'k') + std::to_string(i));
    big += want.back() + (i % 2 ? "\r\n" : "\n");
  }
  big += "last";
  want.push_back("last");
  auto shared = std::make_shared<const std::string>(big);
  std::weak_ptr<const std::string> watch = shared;
  lines.LoadFromText(std::move(shared));
  EXPECT_FALSE(watch.expired());
  ASSERT_EQ(f.store->Count(), static_cast<int>(want.size()));
  for (int r = 0; r < f.store->Count(); ++r) ASSERT_EQ(f.store->Get(r), want[static_cast<std::size_t>(r)]) << r;
  EXPECT_EQ(f.store->Rows(f.store->Count() - 1), raEof);
  f.store->Put(5, "edited");
  EXPECT_EQ(f.store->Get(5), "edited");
  EXPECT_EQ(f.store->Get(6), want[6]);
  lines.Clear();
  EXPECT_TRUE(watch.expired());
}

// Loaded rows read their text from the load's buffers until edited; edits
// of every kind, rows copied from row to row included, keep each row's
// text. Small reads put block and buffer edges everywhere.
TEST_F(Lines, LoadedRowsSurviveEdits) {
  std::mt19937 rng(11);
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<std::string> ref;
  std::string file;
  for (int i = 0; i < 5000; ++i) {
    ref.push_back(std::string(static_cast<std::size_t>(rnd(0, 30)), static_cast<char>('a' + i % 26)) +
                  std::to_string(i));
    file += ref.back() + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r" : "\r\n");
  }
  Load(file, 1000);
  TEditorScreenStrings& s = *f.store;
  ASSERT_EQ(s.Count(), 5000);
  for (int step = 0; step < 3000; ++step) {
    const int n = s.Count();
    const int i = rnd(0, n - 1);
    const int op = rnd(0, 4);
    if (op == 0) {
      std::string t = "put" + std::to_string(step) + std::string(static_cast<std::size_t>(rnd(0, 40)), 'p');
      s.Put(i, t);
      ref[static_cast<std::size_t>(i)] = t;
    } else if (op == 1) {
      const int j = rnd(0, n - 1);  // a row's own text, or a neighbour's
      s.Put(i, s.Get(j));
      ref[static_cast<std::size_t>(i)] = ref[static_cast<std::size_t>(j)];
    } else if (op == 2) {
      const int j = rnd(0, n - 1);
      s.Insert(i, s.Get(j));
      ref.insert(ref.begin() + i, ref[static_cast<std::size_t>(j)]);
    } else if (op == 3 && n > 1) {
      s.Delete(i);
      ref.erase(ref.begin() + i);
    } else {
      const int j = rnd(0, n - 1);
      s.Exchange(i, j);
      std::swap(ref[static_cast<std::size_t>(i)], ref[static_cast<std::size_t>(j)]);
    }
    const int k = rnd(0, s.Count() - 1);
    ASSERT_EQ(s.Get(k), ref[static_cast<std::size_t>(k)]) << step;
  }
  ASSERT_EQ(s.Count(), static_cast<int>(ref.size()));
  for (int r = 0; r < s.Count(); ++r) ASSERT_EQ(s.Get(r), ref[static_cast<std::size_t>(r)]) << r;
}

// A row put onto a row of its own block: the text it comes from must
// outlive the load buffer that unsharing lets go and the block buffer that
// growing replaces (both large enough here to go back to the system).
TEST_F(Lines, RowCopiedOntoARowOfItsBlock) {
  const std::string big(300000, 'x');
  Load("a\r\n" + big + "\r\n");
  f.store->Put(0, f.store->Get(1));
  EXPECT_EQ(f.store->Get(0), big);
  f.store->Put(1, "b");
  f.store->Put(1, f.store->Get(0));
  EXPECT_EQ(f.store->Get(1), big);
  EXPECT_EQ(f.store->Get(0), big);
}

TEST_F(Lines, LoadWrapsOnceAndResetsHistory) {
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  lines.SetTextStr("x");
  f.store->UpdateList(0, 1, "y");
  Load(std::string(30, 'a') + "\r\nb\r\n");
  EXPECT_EQ(f.Rows(), V({std::string(20, 'a') + "|w", std::string(10, 'a') + "|c", "b|c"}));
  EXPECT_FALSE(f.store->UndoObj().CanUndo());
  EXPECT_EQ(lines.GetCount(), 2);
  EXPECT_EQ(lines.Get(0), std::string(30, 'a'));
}

TEST_F(Lines, SetTextStrAndGetCount) {
  lines.SetTextStr("a\r\nb\nc\r");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|c", "c|c"}));
  lines.SetTextStr("a\r\nb");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|e"}));
  EXPECT_EQ(lines.GetCount(), 2);
  EXPECT_EQ(lines.GetTextStr(), "a\r\nb");
  EXPECT_THROW(lines.Get(5), EListError);
}

// CR LF is one line end; a CR alone is one too and takes nothing with it,
// whatever follows it (text, another CR, an LF that starts a CR LF).
TEST_F(Lines, ALoneCrEndsALineAndKeepsTheByteAfterIt) {
  struct Case {
    const char* text;
    V rows;
  };
  const Case cases[] = {
      {"a\rb\r\nc", {"a|c", "b|c", "c|e"}},
      {"a\r\nb\rc", {"a|c", "b|c", "c|e"}},
      {"a\r\rb", {"a|c", "|c", "b|e"}},
      {"a\r\r\nb", {"a|c", "|c", "b|e"}},
      {"a\n\rb", {"a|c", "|c", "b|e"}},
      {"\rx", {"|c", "x|e"}},
      {"x\r", {"x|c"}},
      {"\r\n\r", {"|c", "|c"}},
  };
  // The loader tests 64 bytes at a time: the padded forms put each line
  // end on and across that boundary, with a second 64 bytes after it.
  const std::string tail(70, 'q');
  for (const Case& c : cases) {
    for (int pad : {0, 61, 62, 63, 64}) {
      std::string text = std::string(static_cast<std::size_t>(pad), 'p') + c.text;
      V rows = c.rows;
      rows[0].insert(0, static_cast<std::size_t>(pad), 'p');
      if (pad > 0) {
        text += tail;
        if (rows.back().ends_with("|e")) rows.back().insert(rows.back().size() - 2, tail);
        else rows.push_back(tail + "|e");
      }
      lines.SetTextStr(text);
      EXPECT_EQ(f.Rows(), rows) << "SetTextStr, " << pad << " bytes before [" << c.text << "]";
      Load(text);
      EXPECT_EQ(f.Rows(), rows) << "loading, " << pad << " bytes before [" << c.text << "]";
    }
  }
}

// With the file's own line end, only it makes rows: every other CR and LF
// stays in its row, and the rows joined by CR LF give the bytes back once
// each CR LF is made the file's end again.
TEST_F(Lines, OwnLineEndKeepsOtherBreaksInRows) {
  struct Case {
    LineEnd own;
    const char* text;
    V rows;
    bool mixed;
  };
  const Case cases[] = {
      {LineEnd::CrLf, "a\r\nb\rc\nd\r\n", {"a|c", "b\rc\nd|c"}, true},
      {LineEnd::CrLf, "a\r\r\nb\r", {"a\r|c", "b\r|e"}, true},
      {LineEnd::CrLf, "a\r\nb\r\n", {"a|c", "b|c"}, false},
      {LineEnd::Lf, "a\r\nb\nc\r", {"a\r|c", "b|c", "c\r|e"}, true},
      {LineEnd::Lf, "a\n\nb", {"a|c", "|c", "b|e"}, false},
      {LineEnd::Cr, "a\r\nb\rc", {"a|c", "\nb|c", "c|e"}, true},
      {LineEnd::Cr, "a\rb\r", {"a|c", "b|c"}, false},
  };
  const std::string tail(70, 'q');
  for (const Case& c : cases) {
    f.store->SetOwnLineEnd(c.own);
    for (int pad : {0, 61, 62, 63, 64}) {
      std::string text = std::string(static_cast<std::size_t>(pad), 'p') + c.text;
      V rows = c.rows;
      rows[0].insert(0, static_cast<std::size_t>(pad), 'p');
      if (pad > 0) {
        text += tail;
        if (rows.back().ends_with("|e")) rows.back().insert(rows.back().size() - 2, tail);
        else rows.push_back(tail + "|e");
      }
      // Reads of one, two and three bytes cut every CR LF somewhere.
      for (std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}, TEditorStrings::kLoadBlock}) {
        SCOPED_TRACE(testing::PrintToString(text) + ", reads of " + std::to_string(block));
        Load(text, block);
        EXPECT_EQ(f.Rows(), rows);
        EXPECT_EQ(f.store->MixedLineEnds(), c.mixed);
      }
      lines.LoadFromText(std::make_shared<const std::string>(text));
      EXPECT_EQ(f.Rows(), rows) << "from text: " << testing::PrintToString(text);
      EXPECT_EQ(f.store->MixedLineEnds(), c.mixed);
    }
  }
}

// Edits in such a store cut only at CR LF: rows nobody touched keep their CR
// and LF bytes, a line typed in gets a CR LF, and undo gives the bytes back.
TEST_F(Lines, EditsKeepTheBreaksRowsHold) {
  f.store->SetOwnLineEnd(LineEnd::Lf);
  Load("a\r\nb\nc\rd\n");
  ASSERT_EQ(f.Rows(), V({"a\r|c", "b|c", "c\rd|c"}));
  lines.Put(1, "B");
  lines.Insert(1, "new");
  EXPECT_EQ(lines.GetTextStr(), "a\r\r\nnew\r\nB\r\nc\rd\r\n");
  // Text holding a lone CR stays one row.
  f.store->UpdateList(0, 1, "x\ry\r\n");
  EXPECT_EQ(f.Rows(), V({"x\ry|c", "new|c", "B|c", "c\rd|c"}));
  f.store->Undo();
  f.store->Undo();
  f.store->Undo();
  EXPECT_EQ(lines.GetTextStr(), "a\r\r\nb\r\nc\rd\r\n");
  lines.SetTextStr("p\rq\nr\r\ns");
  EXPECT_EQ(f.Rows(), V({"p\rq\nr|c", "s|e"}));
  // A lone CR or LF typed is one character there, a line break elsewhere.
  EXPECT_EQ(StoredIndexLength("a\rb\r\n", true), 5);
  EXPECT_EQ(StoredIndexLength("a\rb\r\n", false), 6);
  EXPECT_EQ(CrLfBreaks("a\rb\nc\r\n\r"), "a\r\nb\r\nc\r\n\r\n");
}

TEST_F(Lines, PutInsertAddDelete) {
  lines.SetTextStr("one\r\ntwo\r\n");
  lines.Put(1, "TWO");
  EXPECT_EQ(f.Rows(), V({"one|c", "TWO|c"}));
  // The caret goes after the line's text including its line break.
  EXPECT_EQ(f.client.row, 2);
  EXPECT_EQ(f.client.col, 0);
  lines.Insert(0, "zero");
  EXPECT_EQ(f.Rows(), V({"zero|c", "one|c", "TWO|c"}));
  lines.Insert(3, "end");  // at the row count: Add
  EXPECT_EQ(f.Rows(), V({"zero|c", "one|c", "TWO|c", "end|c"}));
  lines.Delete(1);
  EXPECT_EQ(f.Rows(), V({"zero|c", "TWO|c", "end|c"}));
  EXPECT_EQ(f.client.row, 1);
  EXPECT_EQ(f.client.col, 0);
  // Add after a last line without a line break joins with a break.
  lines.SetTextStr("a");
  lines.Add("b");
  EXPECT_EQ(f.Rows(), V({"a|c", "b|e"}));
  EXPECT_EQ(lines.GetTextStr(), "a\r\nb");
  EXPECT_GT(f.client.cleanSelections, 0);
}

TEST_F(Lines, PutOnWrappedLineReplacesTheWholeLine) {
  f.store->SetWordWrap(true);
  f.store->WrapOption().SetWrapByte(20);
  lines.SetTextStr(std::string(45, 'a') + "\r\nz");
  lines.Put(0, "short");
  EXPECT_EQ(f.Rows(), V({"short|c", "z|e"}));
  EXPECT_EQ(lines.LinesToRow(1), 1);
}

TEST_F(Lines, AssignCopiesTextAndPutsCaretAtTheEnd) {
  Fixture g;
  TEditorStrings other(g.client, [&]() -> TEditorScreenStrings& { return *g.store; });
  other.SetTextStr("p\r\nq\r\n");
  lines.Assign(other);
  EXPECT_EQ(f.Rows(), V({"p|c", "q|c"}));
  EXPECT_EQ(f.client.row, 2);
  lines.Assign(std::vector<std::string>{"x", "y"});
  EXPECT_EQ(lines.GetTextStr(), "x\r\ny\r\n");
}

}  // namespace
}  // namespace tolvan
