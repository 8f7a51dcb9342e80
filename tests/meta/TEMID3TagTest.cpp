#include <sys/stat.h>

#include <gtest/gtest.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>

#include "common/TestSupport.h"
#include "core/Messages.h"
#include "meta/MetaFixtures.h"
#include "meta/TEMID3Tag.h"

namespace spinwave {
namespace {

// One encoded MP3 per test folder, tagged by the test.
std::string NewMp3(const test::TempFolder& dir, const std::string& name = "song.mp3") {
  test::MakeSoundFile(dir.File(name), true, 0.3);
  return dir.File(name);
}

TagLib::StringList TconFields(const std::string& path) {
  TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
  const auto& list = file.ID3v2Tag(true)->frameListMap()["TCON"];
  if (list.isEmpty()) return {};
  return dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(list.front())->fieldList();
}

TEST(TEMID3Tag, ContentTypeGivesTheV1GenreAndTheFreeText) {
  const struct {
    const char* tcon;
    const char* v1Genre;
    const char* v2Genre;
  } cases[] = {
      {"(0)", "Blues", ""},           {"(17)Live", "Rock", "Live"}, {"Trance", "Unknown", "Trance"},
      {"(abc)", "Unknown", ""},       {"(147)", "Synthpop", ""},    {"(148)", "Unknown", ""},
      {"(-1)Live", "Unknown", "Live"}, {"(31)", "Trance", ""},
  };
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tcon);
    test::WriteId3v2(mp3, {{"TCON", c.tcon}});
    TEMID3Tag tag;
    ASSERT_TRUE(tag.SetFilename(mp3));
    EXPECT_EQ(tag.GetV1Genre(), c.v1Genre);
    EXPECT_EQ(tag.GetV2Genre(), c.v2Genre);
  }
}

TEST(TEMID3Tag, SavingWritesTheContentTypeBackInTheSameForm) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  for (const char* tcon : {"(0)", "(17)Live"}) {
    SCOPED_TRACE(tcon);
    test::WriteId3v2(mp3, {{"TCON", tcon}, {"TIT2", "x"}});
    TEMID3Tag tag;
    ASSERT_TRUE(tag.SetFilename(mp3));
    const std::string v1 = tag.GetV1Genre(), v2 = tag.GetV2Genre();
    ASSERT_EQ(tag.SaveID3v2Tag(), 0);

    TEMID3Tag again;
    ASSERT_TRUE(again.SetFilename(mp3));
    EXPECT_EQ(again.GetV1Genre(), v1);
    EXPECT_EQ(again.GetV2Genre(), v2);
    TagLib::MPEG::File file(mp3.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    ASSERT_TRUE(file.hasID3v1Tag());
    EXPECT_EQ(file.ID3v1Tag()->genreNumber(), std::string(tcon) == "(0)" ? 0u : 17u);
  }
  EXPECT_EQ(TconFields(mp3), TagLib::StringList(TagLib::String("17")).append("Live"));
}

TEST(TEMID3Tag, TrackNumberAndLengthAreLeadingIntegers) {
  const struct {
    const char* trck;
    const char* tlen;
    int tracknr;
    int time;
  } cases[] = {{"7/10", "215376", 7, 215376}, {" 12", "1000ms", 12, 1000}, {"B2", "", 0, 0}};
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trck);
    test::WriteId3v2(mp3, {{"TRCK", c.trck}, {"TLEN", c.tlen}});
    TEMID3Tag tag;
    ASSERT_TRUE(tag.SetFilename(mp3));
    EXPECT_EQ(tag.GetTracknr(), c.tracknr);
    EXPECT_EQ(tag.GetTime(), c.time);
  }
}

TEST(TEMID3Tag, AnEmptyFieldDoesNotOverwriteTheFrame) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  test::WriteId3v2(mp3, {{"COMM", "keep me"}, {"TIT2", "Old"}, {"TCOM", "Composer"}});
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetComment(), "keep me");
  tag.SetComment("");
  tag.SetComposer("");
  tag.SetTitle("New");
  ASSERT_EQ(tag.SaveID3v2Tag(), 0);

  TEMID3Tag again;
  ASSERT_TRUE(again.SetFilename(mp3));
  EXPECT_EQ(again.GetComment(), "keep me");
  EXPECT_EQ(again.GetComposer(), "Composer");
  EXPECT_EQ(again.GetTitle(), "New");
}

TEST(TEMID3Tag, Utf16FramesReadAsUtf8AndNonLatinTextSurvivesASave) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  const std::string title = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83 \xE6\x97\xA5\xE6\x9C\xAC";  // Grüße ☃ 日本
  test::WriteId3v2(mp3, {{"TIT2", title}, {"TPE1", "Bj\xC3\xB6rk"}}, 1);
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetTitle(), title);
  EXPECT_EQ(tag.GetArtist(), "Bj\xC3\xB6rk");

  tag.SetAlbum("\xD0\x90\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC");  // Альбом
  ASSERT_EQ(tag.SaveID3v2Tag(), 0);
  TEMID3Tag again;
  ASSERT_TRUE(again.SetFilename(mp3));
  EXPECT_EQ(again.GetTitle(), title);
  EXPECT_EQ(again.GetAlbum(), "\xD0\x90\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC");
}

TEST(TEMID3Tag, SavedPropertiesReadBackAndTheMp3GetsBothTagVersions) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  const long long frames = test::DecodedFrames(mp3);
  ASSERT_GT(frames, 0);

  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_FALSE(tag.GetHasTag());
  tag.SetArtist("Artist");
  tag.SetTitle("Title");
  tag.SetAlbum("Album");
  tag.SetComment("Comment");
  tag.SetYear("1999");
  tag.SetTracknr(4);
  tag.SetID3v1Genre("Trance");
  tag.SetV2Genre("Goa mix");
  tag.SetTime(215376);
  tag.SetComposer("Composer");
  tag.SetOrgArtist("Original");
  tag.SetCopyright("(c) Label");
  tag.SetEncodedBy("Encoder");
  tag.SetGain("5");
  ASSERT_EQ(tag.SaveID3v2Tag(), 0);
  EXPECT_EQ(tag.GetID3v2String(ID3FID_TITLE), "") << "the tag object is cleared by a save";

  TEMID3Tag again;
  ASSERT_TRUE(again.SetFilename(mp3));
  EXPECT_TRUE(again.GetHasTag());
  EXPECT_EQ(again.GetArtist(), "Artist");
  EXPECT_EQ(again.GetTitle(), "Title");
  EXPECT_EQ(again.GetAlbum(), "Album");
  EXPECT_EQ(again.GetComment(), "Comment");
  EXPECT_EQ(again.GetYear(), "1999");
  EXPECT_EQ(again.GetTracknr(), 4);
  EXPECT_EQ(again.GetV1Genre(), "Trance");
  EXPECT_EQ(again.GetV2Genre(), "Goa mix");
  EXPECT_EQ(again.GetTime(), 215376);
  EXPECT_EQ(again.GetComposer(), "Composer");
  EXPECT_EQ(again.GetOrgArtist(), "Original");
  EXPECT_EQ(again.GetCopyright(), "(c) Label");
  EXPECT_EQ(again.GetEncodedBy(), "Encoder");
  EXPECT_EQ(again.GetGain(), "") << "Gain is not kept in the tag";

  // Both versions were written, and only as tags: the sound is untouched.
  TEMID3Tag v1only;
  v1only.SetFlags(TEMID3Tag::kID3v1);
  ASSERT_TRUE(v1only.SetFilename(mp3));
  EXPECT_EQ(v1only.GetTitle(), "Title");
  EXPECT_EQ(v1only.GetTracknr(), 4);
  EXPECT_EQ(v1only.GetV1Genre(), "Trance");
  EXPECT_EQ(test::DecodedFrames(mp3), frames);
}

TEST(TEMID3Tag, FlagsChooseTheLinkedTagVersions) {
  test::TempFolder dir;
  const std::string both = NewMp3(dir, "both.mp3");
  test::WriteId3v2(both, {{"TIT2", "Two"}});
  test::WriteId3v1Title(both, "One");
  const std::string v1 = NewMp3(dir, "v1.mp3");
  test::WriteId3v1Title(v1, "One");

  const struct {
    const std::string* file;
    uint16_t flags;
    bool hasTag;
    const char* title;
  } cases[] = {{&both, 3, true, "Two"}, {&both, 1, true, "One"}, {&both, 2, true, "Two"},
               {&v1, 3, true, "One"},   {&v1, 2, false, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(*c.file + " flags " + std::to_string(c.flags));
    TEMID3Tag tag;
    tag.SetFlags(c.flags);
    ASSERT_TRUE(tag.SetFilename(*c.file));
    EXPECT_EQ(tag.GetHasTag(), c.hasTag);
    EXPECT_EQ(tag.GetTitle(), c.title);
  }
}

TEST(TEMID3Tag, OggFilesKeepTheirTagInTheVorbisCommentAndStillDecode) {
  test::TempFolder dir;
  const std::string ogg = dir.File("tune.OGG");
  test::MakeSoundFile(ogg, false, 0.5);
  const long long frames = test::DecodedFrames(ogg);
  ASSERT_GT(frames, 0);

  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(ogg));
  tag.SetArtist("Ogg Artist");
  tag.SetTitle("Ogg Title");
  tag.SetComment("A comment");
  tag.SetTracknr(9);
  tag.SetID3v1Genre("Rock");
  tag.SetV2Genre("Live");
  ASSERT_EQ(tag.SaveID3v2Tag(), 0);

  EXPECT_EQ(test::DecodedFrames(ogg), frames) << "the stream must not be damaged by the save";
  EXPECT_EQ(test::ReadFile(ogg).substr(0, 4), "OggS") << "no ID3v2 tag in front of the stream";
  {
    TagLib::Ogg::Vorbis::File file(ogg.c_str(), false);
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(file.tag()->fieldListMap()["ARTIST"].front().to8Bit(true), "Ogg Artist");
    EXPECT_EQ(file.tag()->fieldListMap()["TRACKNUMBER"].front().to8Bit(true), "9");
  }
  TEMID3Tag again;
  ASSERT_TRUE(again.SetFilename(ogg));
  EXPECT_EQ(again.GetArtist(), "Ogg Artist");
  EXPECT_EQ(again.GetTitle(), "Ogg Title");
  EXPECT_EQ(again.GetComment(), "A comment");
  EXPECT_EQ(again.GetTracknr(), 9);
  EXPECT_EQ(again.GetV1Genre(), "Rock");
  EXPECT_EQ(again.GetV2Genre(), "Live");
}

TEST(TEMID3Tag, ReadingKeepsPermissionsAndSavingAnUnwritableFileIsReported) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  test::WriteId3v2(mp3, {{"TIT2", "Locked"}});
  ASSERT_EQ(::chmod(mp3.c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
  const std::string before = test::ReadFile(mp3);

  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetTitle(), "Locked");
  struct stat st {};
  ASSERT_EQ(::stat(mp3.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);

  EXPECT_TRUE(test::RunWithoutPrivileges([&] {
    MessageCapture messages;
    TEMID3Tag t;
    if (!t.SetFilename(mp3)) return false;
    t.SetTitle("Changed");
    return t.SaveID3v2Tag() == TEMID3Tag::kSaveFailed && messages.Texts().size() == 1 &&
           messages.Texts()[0].find("Couldn't save the tag of " + mp3) == 0;
  }));
  EXPECT_EQ(test::ReadFile(mp3), before);
}

TEST(TEMID3Tag, GarbageAndTruncatedFilesGiveNoTag) {
  test::TempFolder dir;
  std::string random(5000, '\0');
  uint32_t x = 12345;
  for (char& c : random) {
    x = x * 1103515245u + 12345u;
    c = char(x >> 24);
  }
  // A tagged file cut inside its tag, and a header that claims far more than there is.
  const std::string tagged = NewMp3(dir, "tagged.mp3");
  test::WriteId3v2(tagged, {{"TIT2", std::string(3000, 'T')}});
  const std::string cut = test::ReadFile(tagged).substr(0, 1500);
  const std::string lyingHeader = std::string("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + "TIT2";

  const std::pair<const char*, std::string> cases[] = {
      {"random.mp3", random}, {"cut.mp3", cut},    {"header.mp3", lyingHeader},
      {"empty.mp3", ""},      {"random.ogg", random}, {"cut.ogg", "OggS\0\0\0"}};
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    test::WriteFile(dir.File(name), bytes);
    TEMID3Tag tag;
    ASSERT_TRUE(tag.SetFilename(dir.File(name)));
    EXPECT_FALSE(tag.GetHasTag());
    EXPECT_EQ(tag.GetTitle(), "");
    EXPECT_EQ(tag.GetV1Genre(), "Unknown");
  }
}

TEST(TEMID3Tag, OpeningTheSameNameTwiceReadsOnce) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  test::WriteId3v2(mp3, {{"TIT2", "First"}});
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  test::WriteId3v2(mp3, {{"TIT2", "Second"}});
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetTitle(), "First");
  tag.CloseFile();
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetTitle(), "Second");
}

TEST(TEMID3Tag, OtherFilesLeaveThePropertiesAlone) {
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  test::WriteId3v2(mp3, {{"TIT2", "Kept"}});
  test::WriteFile(dir.File("sound.wav"), "RIFF");
  TEMID3Tag tag;
  tag.SetGain("3");
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetGain(), "3") << "Gain, Intro and Outro belong to the owner";
  EXPECT_FALSE(tag.SetFilename(dir.File("sound.wav")));
  EXPECT_FALSE(tag.IsOpened());
  EXPECT_FALSE(tag.SetFilename(dir.File("missing.mp3")));
  EXPECT_EQ(tag.GetTitle(), "Kept");
  EXPECT_EQ(tag.GetFileName(), mp3);
  EXPECT_EQ(tag.ReadID3v2Tag(), -1);
  EXPECT_EQ(tag.SaveID3v2Tag(), TEMID3Tag::kSaveNotOpen);
  EXPECT_EQ(tag.GetID3v2String(ID3FID_TITLE), "");
}

TEST(TEMID3Tag, GenreNamesAreCheckedAgainstTheList) {
  MessageCapture messages;
  TEMID3Tag tag;
  ASSERT_EQ(tag.GetV1Genres().size(), 149u);
  EXPECT_EQ(tag.GetV1Genres()[0], "Unknown");
  EXPECT_EQ(tag.GetV1Genres()[1], "Blues");
  EXPECT_EQ(tag.GetV1Genres()[148], "Synthpop");

  tag.SetID3v1Genre("rock");
  EXPECT_EQ(tag.GetV1Genre(), "rock");
  tag.SetID3v1Genre("Polka Dance");
  EXPECT_EQ(tag.GetV1Genre(), "rock");
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Polka Dance is not a valid ID3v1 genre");

  // A name accepted in another letter case is saved as its genre number.
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  ASSERT_TRUE(tag.SetFilename(mp3));
  tag.SetID3v1Genre("rock");
  ASSERT_EQ(tag.SaveID3v2Tag(), 0);
  EXPECT_EQ(TconFields(mp3), TagLib::StringList(TagLib::String("17")));
}

TEST(TEMID3Tag, FrameWritesAndReads) {
  MessageCapture messages;
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  test::WriteId3v2(mp3, {{"TIT2", std::string(2000, 'x')}});
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetID3v2String(ID3FID_TITLE).size(), 1023u);
  EXPECT_EQ(tag.GetID3v2String(ID3FID_ALBUM), "");

  EXPECT_EQ(tag.WriteID3v2Frame(ID3FID_ALBUM, "Album"), 0);
  EXPECT_EQ(tag.GetID3v2String(ID3FID_ALBUM), "Album");
  EXPECT_EQ(tag.WriteID3v2Frame(ID3FID_ALBUM, ""), 0);
  EXPECT_EQ(tag.GetID3v2String(ID3FID_ALBUM), "Album");
  EXPECT_TRUE(messages.Texts().empty());

  EXPECT_EQ(tag.WriteID3v2Frame(ID3FID_NOFRAME, "x"), -1);
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0], "Couldn't create ID3 frame: 0");
}


TEST(TEMID3Tag, ReadsId3v24TagsOfOtherPrograms) {
  // ID3v2.4 keeps the year in TDRC and several genres as separate fields.
  test::TempFolder dir;
  const std::string mp3 = NewMp3(dir);
  {
    TagLib::MPEG::File file(mp3.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    auto* year = new TagLib::ID3v2::TextIdentificationFrame("TDRC", TagLib::String::UTF8);
    year->setText("2004-05-01");
    tag->addFrame(year);
    auto* genre = new TagLib::ID3v2::TextIdentificationFrame("TCON", TagLib::String::UTF8);
    genre->setText(TagLib::StringList(TagLib::String("9")).append("Acid Jazz").append("Lounge"));
    tag->addFrame(genre);
    ASSERT_TRUE(file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                          TagLib::File::DoNotDuplicate));
  }
  TEMID3Tag tag;
  ASSERT_TRUE(tag.SetFilename(mp3));
  EXPECT_EQ(tag.GetYear(), "2004-05-01");
  EXPECT_EQ(tag.GetV1Genre(), "Metal");
  EXPECT_EQ(tag.GetV2Genre(), "Acid Jazz / Lounge");
}

}  // namespace
}  // namespace spinwave
