// The ROM list: folder scan by pattern, the packed store, cursor, path, drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/app.h"
#include "frontend/romlist.h"
#include "frontend/video.h"
#include "support/fake_platform.h"
#include "support/frontend_fixture.h"

namespace {

std::vector<std::string> Names(const RomList& list) {
  std::vector<std::string> out;
  for (i32 i = 0; i < list.count; i++) out.push_back(list.names + list.FindOffset(i));
  return out;
}

class RomListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePlatformReset();
    list_.Init();
  }
  void TearDown() override { list_.Free(); }
  ScratchFolder folder_;
  RomList list_;
};

TEST_F(RomListTest, PatternsInOrderThenByName) {
  folder_.WriteFile("roms/b.bin", {1});
  folder_.WriteFile("roms/a.zip", {1});
  folder_.WriteFile("roms/c.smd", {1});
  list_.Scan();
  EXPECT_EQ(Names(list_), (std::vector<std::string>{"b.bin", "c.smd", "a.zip"}));
  char path[260] = {};
  list_.Move(0);
  EXPECT_EQ(list_.GetSelectedPath(path), 0u);
  EXPECT_STREQ(path, "./roms/b.bin");
}

// Within each pattern the names come sorted without case, letters folded to
// upper case (so '_' follows the letters); names equal but for case follow
// by their bytes.
TEST_F(RomListTest, EachPatternsNamesAreSortedWithoutCase) {
  const std::vector<std::string> expected = {
      "A.bin",   "a.bin",  "b.BIN", "B2.bin", "Game1.bin", "game10.bin", "game9.bin",
      "Zed.bin", "_x.bin", "A.smd", "b.smd",  "Y.zip",     "z.zip"};
  // Created out of order, so that a listing in creation order fails too.
  for (const char* name : {"game9.bin", "_x.bin", "z.zip", "b.smd", "a.bin", "Zed.bin", "B2.bin",
                           "Y.zip", "Game1.bin", "A.smd", "b.BIN", "A.bin", "game10.bin"}) {
    folder_.WriteFile(std::string("roms/") + name, {1});
  }
  list_.Scan();
  EXPECT_EQ(Names(list_), expected);
}

TEST_F(RomListTest, MatchesIgnoreCaseAndIncludeFolders) {
  folder_.WriteFile("roms/UPPER.BIN", {1});
  folder_.WriteFile("roms/mixed.Smd", {1});
  folder_.WriteFile("roms/x.zip/inside.txt", {1});  // a folder named x.zip
  folder_.WriteFile("roms/readme.txt", {1});
  folder_.WriteFile("roms/notbin", {1});
  folder_.WriteFile("roms/.bin", {1});
  list_.Scan();
  std::vector<std::string> names = Names(list_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".bin", "UPPER.BIN", "mixed.Smd", "x.zip"}));
}

TEST_F(RomListTest, MissingFolderGivesAnEmptyList) {
  list_.Scan();
  EXPECT_EQ(list_.count, 0);
  list_.Move(256);
  EXPECT_EQ(list_.cursor, -1);
  char path[260] = "untouched";
  EXPECT_EQ(list_.GetSelectedPath(path), 1u);
  EXPECT_STREQ(path, "untouched");
  EXPECT_EQ(list_.FindOffset(-1), -1);
  EXPECT_EQ(list_.FindOffset(0), -1);
}

TEST_F(RomListTest, CursorClampsToTheList) {
  for (const char* n : {"a", "b", "c"}) list_.Add(n);
  struct Step {
    i32 delta, cursor;
  };
  const Step steps[] = {{-256, 0},   {512, 512}, {256, 767},   {-256, 511},
                        {-256, 255}, {-256, 0},  {100000, 767}};
  for (const Step& s : steps) {
    list_.Move(s.delta);
    EXPECT_EQ(list_.cursor, s.cursor);
  }
}

TEST_F(RomListTest, ARescanKeepsTheCursorUntilTheNextMove) {
  for (int i = 0; i < 6; i++) list_.Add("x");
  list_.Move(1280);
  list_.Clear();
  list_.Add("a");
  list_.Add("b");
  char path[260] = {};
  EXPECT_EQ(list_.GetSelectedPath(path), 1u);
  list_.Move(-256);
  EXPECT_EQ(list_.cursor, 511);
  EXPECT_EQ(list_.GetSelectedPath(path), 0u);
}

TEST_F(RomListTest, StoreGrowsBy256AndRefusesNamesNeedingTwoSteps) {
  const std::string n155(155, 'a'), n200(200, 'b'), n500(500, 'c');
  EXPECT_EQ(list_.Add(n155.c_str()), 0u);
  EXPECT_EQ(list_.capacity, 256);
  EXPECT_EQ(list_.used, 156);
  EXPECT_EQ(list_.Add(n200.c_str()), 0u);  // 100 bytes free: one growth is enough
  EXPECT_EQ(list_.capacity, 512);
  EXPECT_EQ(list_.count, 2);
  EXPECT_EQ(list_.Add(n500.c_str()), 1u);  // 155 free + 256 < 501
  EXPECT_EQ(list_.count, 2);
  EXPECT_EQ(list_.capacity, 768);
  EXPECT_EQ(std::string(list_.names + list_.FindOffset(1)), n200);
}

// The path holds the whole name, or there is none: a name cut short would
// open another file.
TEST_F(RomListTest, PathsHoldTheWholeNameOrNothing) {
  const struct {
    size_t length;
    bool fits;
  } cases[] = {{200, true}, {252, true}, {253, false}, {255, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    list_.Clear();
    list_.Add(std::string(c.length, 'n').c_str());
    list_.Move(0);
    char path[260] = "untouched";
    EXPECT_EQ(list_.GetSelectedPath(path), c.fits ? 0u : 1u);
    EXPECT_EQ(std::string(path), c.fits ? "./roms/" + std::string(c.length, 'n') : "untouched");
  }
}

// A scan puts a cursor that selects nothing on the first entry, as long as
// there is one; a cursor on an entry stays.
TEST_F(RomListTest, AScanMovesAStrayCursorToTheFirstEntry) {
  const struct {
    i32 cursor;
    int files;
    i32 after;
  } cases[] = {{-1, 2, 0}, {1280, 2, 0}, {512, 2, 0}, {256 + 7, 2, 256 + 7}, {-1, 0, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cursor);
    std::filesystem::remove_all(folder_.path() / "roms");
    for (int i = 0; i < c.files; i++) folder_.WriteFile("roms/" + std::to_string(i) + ".bin", {1});
    list_.cursor = c.cursor;
    list_.Scan();
    EXPECT_EQ(list_.cursor, c.after);
  }
}

class RomListDrawTest : public RomListTest {
 protected:
  void SetUp() override {
    RomListTest::SetUp();
    ASSERT_EQ(VideoInit(), 0u);
    VideoClear(0);
  }
  void TearDown() override {
    VideoShutdown();
    RomListTest::TearDown();
  }
  // The top row of the fake glyph box at x 121 of the line drawn at y.
  u32 LineColor(i32 y) { return BackPixel(121, y + 2); }
};

TEST_F(RomListDrawTest, TheSelectedLineIsGreenAtY224) {
  for (const char* n : {"a", "b", "c"}) list_.Add(n);
  list_.Move(256);
  list_.Draw();
  EXPECT_EQ(LineColor(200), 0xFFFFFFu);
  EXPECT_EQ(LineColor(224), 0x00FF40u);
  EXPECT_EQ(LineColor(248), 0xFFFFFFu);
  EXPECT_EQ(BackPixel(121, 200 + 1), 0u);
}

TEST_F(RomListDrawTest, AFractionalCursorScrollsTheList) {
  for (const char* n : {"a", "b", "c"}) list_.Add(n);
  list_.Move(512 + 256);  // 767: third entry, 255/256 of a line further
  list_.Draw();
  EXPECT_EQ(LineColor(201), 0x00FF40u);
  EXPECT_EQ(BackPixel(121, 201 + 1), 0u);
  EXPECT_EQ(LineColor(153), 0xFFFFFFu);
}

TEST_F(RomListDrawTest, NamesShowAtMost42Characters) {
  list_.Add(std::string(200, 'n').c_str());
  list_.Move(0);
  list_.Draw();
  EXPECT_EQ(BackPixel(121 + 41 * 10, 226), 0x00FF40u);
  EXPECT_EQ(BackPixel(121 + 42 * 10, 226), 0u);
}

TEST_F(RomListDrawTest, ACursorBeyondTheListHighlightsNothing) {
  for (int i = 0; i < 6; i++) list_.Add("x");
  list_.Move(1280);
  list_.Clear();
  list_.Add("a");
  list_.Draw();
  EXPECT_EQ(LineColor(224 - 120), 0xFFFFFFu);
  for (int y = 0; y < 480; y++) ASSERT_NE(BackPixel(121, y), 0x00FF40u);
}

}  // namespace
