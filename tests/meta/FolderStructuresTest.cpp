#include <gtest/gtest.h>

#include "common/TestSupport.h"
#include "core/Paths.h"
#include "meta/FolderStructures.h"
#include "meta/MetaFixtures.h"
#include "meta/TEMID3Tag.h"

namespace spinwave {
namespace {

struct MatchCase {
  const char* structure;
  const char* path;
  bool fits;
  const char* artist;
  const char* title;
  const char* album;
  const char* genre;
  int tracknr;
};

TEST(FolderStructures, CheckStructureFillsTheKeywordParts) {
  // Before each case Artist/Title/Album/Genre are "-" and Tracknr is 99, so untouched
  // properties show as such.
  const MatchCase cases[] = {
      {"Artist\\Title.mp3", "Pop\\Song.mp3", true, "Pop", "Song", "-", "-", 99},
      {"Artist/Title.mp3", "Pop\\Song.mp3", true, "Pop", "Song", "-", "-", 99},
      {"Artist\\Title.mp3", "Pop/Song.mp3", true, "Pop", "Song", "-", "-", 99},
      {"Artist - Title.mp3", "Band - Song.mp3", true, "Band", "Song", "-", "-", 99},
      {"Artist - Title.mp3", "Band\\Song.mp3", false, "-", "-", "-", "-", 99},
      {"Artist_-_Title.mp3", "A - B.mp3", false, "-", "-", "-", "-", 99},
      {"Tracknr - Title.mp3", "07 - Intro.mp3", true, "-", "Intro", "-", "-", 7},
      {"Tracknr - Title.mp3", "A1 - Intro.mp3", true, "-", "Intro", "-", "-", 99},
      {"Artist\\Title", "Pop\\Song.mp3", true, "Pop", "Song", "-", "-", 99},
      {"Genre/Album/Tracknr - Artist - Title.mp3", "House/Best Of/03 - DJ X - Track One.mp3", true,
       "DJ X", "Track One", "Best Of", "House", 3},
      {"Ignore/Artist - Title.mp3", "CD1/Band - Song.mp3", true, "Band", "Song", "-", "-", 99},
      // Literal characters outside separators are not compared, only skipped.
      {"xx Artist - Title.mp3", "ab Band - Song.mp3", true, "Band", "Song", "-", "-", 99},
      {"xx Artist - Title.mp3", "ab Band Song.mp3", false, "-", "-", "-", "-", 99},
      // Keywords are case-sensitive: this structure has none and never fits.
      {"artist - title.mp3", "Band - Song.mp3", false, "-", "-", "-", "-", 99},
      // A part that ends in its own extension loses it.
      {"Title.mp3 - Artist.mp3", "Song.mp3 - Band.mp3", true, "Band", "Song", "-", "-", 99},
      // Two keywords with nothing between them: the first one gets an empty part.
      {"ArtistTitle.mp3", "Song.mp3", true, "", "Song", "-", "-", 99},
      {"", "Song.mp3", false, "-", "-", "-", "-", 99},
      {"Artist.mp3", "", false, "-", "-", "-", "-", 99},
      {"Title", "ab", true, "-", "", "-", "-", 99},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(std::string(c.structure) + " against " + c.path);
    TEMID3Tag tag;
    tag.SetArtist("-");
    tag.SetTitle("-");
    tag.SetAlbum("-");
    tag.SetV2Genre("-");
    tag.SetTracknr(99);
    EXPECT_EQ(tag.CheckStructure(c.structure, c.path), c.fits);
    EXPECT_EQ(tag.GetArtist(), c.artist);
    EXPECT_EQ(tag.GetTitle(), c.title);
    EXPECT_EQ(tag.GetAlbum(), c.album);
    EXPECT_EQ(tag.GetV2Genre(), c.genre);
    EXPECT_EQ(tag.GetTracknr(), c.tracknr);
  }
}

TEST(FolderStructures, PartsMatchedBeforeAFailureStaySet) {
  TEMID3Tag tag;
  EXPECT_FALSE(tag.CheckStructure("Artist - Title_x_Album.mp3", "Band - Song.mp3"));
  EXPECT_EQ(tag.GetArtist(), "Band");
  EXPECT_EQ(tag.GetAlbum(), "");
}

TEST(FolderStructures, KeywordsAndFolderCounts) {
  const std::pair<const char*, const char*> keywords[] = {
      {"Artist - Title", "Artist"}, {"Title", "Title"}, {"Tracknr.mp3", "Tracknr"},
      {"Ignore", "Ignore"},         {"Genre\\x", "Genre"}, {"Album", "Album"},
      {" Artist", "-1"},            {"artist", "-1"},     {"", "-1"},
      {"Titl", "-1"}};
  for (const auto& [text, keyword] : keywords) EXPECT_EQ(TEMID3Tag::FindKeyword(text), keyword) << text;

  const std::pair<const char*, int> dirs[] = {{"", 0},          {"a", 0},      {"a\\b", 1},
                                              {"a/b/c", 2},     {"a\\b/", 1}, {"\\", 0},
                                              {"\\a\\b.mp3", 2}};
  for (const auto& [text, count] : dirs) EXPECT_EQ(TEMID3Tag::CountDirs(text), count) << text;
}

class ReadStructureTest : public ::testing::Test {
 protected:
  std::string MakeMp3(const std::string& relative) {
    const std::string path = dir_.Path() + relative;
    MakeFolders(path.substr(0, path.find_last_of('/')));
    test::MakeSoundFile(path, true, 0.1);
    return path;
  }
  test::TempFolder dir_;
};

TEST_F(ReadStructureTest, TheFirstFittingStructureOfTheListWins) {
  const std::string file = MakeMp3("Pop/Band - Song.mp3");
  TEMID3Tag tag;
  EXPECT_EQ(tag.ReadStructure(1), -1) << "no file open";
  tag.SetStructures({"Genre/Artist - Title.mp3", "Artist/Title.mp3"});
  ASSERT_TRUE(tag.SetFilename(file));
  EXPECT_EQ(tag.ReadStructure(int(dir_.Path().size()) + 1), 0);
  EXPECT_EQ(tag.GetV2Genre(), "Pop");
  EXPECT_EQ(tag.GetArtist(), "Band");
  EXPECT_EQ(tag.GetTitle(), "Song");

  TEMID3Tag other;
  other.SetStructures({"Artist_-_Title.mp3", "Artist/Title.mp3"});
  ASSERT_TRUE(other.SetFilename(file));
  other.ReadStructure(int(dir_.Path().size()) + 1);
  EXPECT_EQ(other.GetArtist(), "Pop");
  EXPECT_EQ(other.GetTitle(), "Band - Song");
}

TEST_F(ReadStructureTest, AFileDirectlyInTheSearchedFolder) {
  // Scanning "Pop" itself: the bare name is tried first, then with its own folder in front.
  const std::string file = MakeMp3("Pop/Band - Song.mp3");
  const int start = int(dir_.Path().size() + std::string("Pop/").size()) + 1;
  TEMID3Tag tag;
  tag.SetStructures(DefaultStructures());
  ASSERT_TRUE(tag.SetFilename(file));
  tag.ReadStructure(start);
  EXPECT_EQ(tag.GetArtist(), "Band");
  EXPECT_EQ(tag.GetTitle(), "Song");

  const std::string plain = MakeMp3("Jazz/Tune.mp3");
  TEMID3Tag folder;
  folder.SetStructures(DefaultStructures());
  ASSERT_TRUE(folder.SetFilename(plain));
  folder.ReadStructure(int(dir_.Path().size() + std::string("Jazz/").size()) + 1);
  EXPECT_EQ(folder.GetArtist(), "Jazz");
  EXPECT_EQ(folder.GetTitle(), "Tune");
}

TEST(FolderStructures, TheStructureFileIsWrittenWithCrLfAndReadBack) {
  test::TempFolder home;
  SetProgramFolder(home.Path());
  std::vector<std::string> list = DefaultStructures();
  EXPECT_FALSE(ReadStructureFile(list)) << "no file yet";
  EXPECT_EQ(list, DefaultStructures());

  const std::vector<std::string> mine = {"Genre/Artist - Title.mp3", "Artist\\Album\\Title.mp3"};
  std::string error;
  ASSERT_TRUE(WriteStructureFile(mine, &error)) << error;
  EXPECT_EQ(StructureFilePath(), home.Path() + "data/struct.dat");
  EXPECT_EQ(test::ReadFile(StructureFilePath()),
            "Genre/Artist - Title.mp3\r\nArtist\\Album\\Title.mp3\r\n");
  ASSERT_TRUE(ReadStructureFile(list));
  EXPECT_EQ(list, mine);

  // Files edited elsewhere may end their lines with LF only.
  test::WriteFile(StructureFilePath(), "A - B\nArtist/Title\n");
  ASSERT_TRUE(ReadStructureFile(list));
  EXPECT_EQ(list, (std::vector<std::string>{"A - B", "Artist/Title"}));
}

TEST(FolderStructures, AddedStructuresAreOrderedLongestFirst) {
  std::vector<std::string> list = {std::string(10, 'a'), std::string(15, 'b')};
  AddStructure(list, std::string(20, 'c'));
  EXPECT_EQ(list, (std::vector<std::string>{std::string(20, 'c'), std::string(15, 'b'), std::string(10, 'a')}));
  AddStructure(list, std::string(15, 'd'));
  EXPECT_EQ(list[1], std::string(15, 'b')) << "equal lengths keep their order";
  EXPECT_EQ(list[2], std::string(15, 'd'));
}

}  // namespace
}  // namespace spinwave
