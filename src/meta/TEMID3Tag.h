// Tag component: opens the tag of one audio file at a time, exposes its text fields as
// properties and writes them back. MP3 files carry ID3v1 and ID3v2 tags; Ogg Vorbis files
// carry a Vorbis comment whose fields are mapped to the same frames. The component also derives
// fields from folder and file names through folder structures (see ReadStructure).
//
// The "tag object" is the set of frame texts read from the file when it is linked, changed
// frame by frame with WriteID3v2Frame and written back by SaveID3v2Tag. All text is UTF-8,
// whatever encoding a frame uses in the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace spinwave {

// The frames the component uses. The four-letter identifier of each comes from ID3FrameName.
enum ID3_FrameID {
  ID3FID_NOFRAME = 0,
  ID3FID_COMMENT,      // COMM
  ID3FID_ALBUM,        // TALB
  ID3FID_COMPOSER,     // TCOM
  ID3FID_CONTENTTYPE,  // TCON
  ID3FID_COPYRIGHT,    // TCOP
  ID3FID_ENCODEDBY,    // TENC
  ID3FID_TITLE,        // TIT2
  ID3FID_SONGLEN,      // TLEN
  ID3FID_ORIGARTIST,   // TOPE
  ID3FID_LEADARTIST,   // TPE1
  ID3FID_TRACKNUM,     // TRCK
  ID3FID_YEAR,         // TYER
};

// "TIT2" for ID3FID_TITLE and so on; nullptr for an identifier the component does not know.
const char* ID3FrameName(ID3_FrameID id);
// The Vorbis comment field an Ogg file keeps the frame's text in; nullptr when none.
const char* VorbisFieldName(ID3_FrameID id);

class TEMID3Tag {
 public:
  // Tag types linked when a file is opened.
  static constexpr uint16_t kID3v1 = 1;
  static constexpr uint16_t kID3v2 = 2;

  // SaveID3v2Tag results.
  static constexpr int kSaveBusy = -2;
  static constexpr int kSaveNotOpen = -1;
  static constexpr int kSaveFailed = -3;  // the file could not be written (the user was told)

  TEMID3Tag() = default;

  // Opens the tag of an ".mp3" or ".ogg" file (ASCII case ignored) and reads it. Returns whether
  // a file is open. The same name twice reads the tag once. A missing file or another extension
  // returns false and leaves the properties untouched. Never changes the file.
  bool SetFilename(const std::string& name);
  // Forgets the tag object and the open file.
  void CloseFile();
  // Fills the properties from the tag object: -1 when no file is open, 0 otherwise.
  int ReadID3v2Tag();
  // Writes the properties into the file's tag: -2 during a save, -1 without an open file,
  // -3 when the file cannot be written (a message tells the user), 0 after writing.
  int SaveID3v2Tag();
  // Sets one frame's text in the tag object. An empty text is not written (the frame keeps what
  // it held). Returns 0, or -1 (with a message) for a frame that cannot be made.
  int WriteID3v2Frame(ID3_FrameID id, const std::string& text);
  // The text of one frame (at most 1,023 bytes, cut at a character boundary), empty when absent
  // or when no file is open.
  std::string GetID3v2String(ID3_FrameID id) const;
  // Sets v1Genre when `name` is one of v1Genres (ASCII case ignored), stored as given; otherwise
  // tells the user and keeps the old value.
  void SetID3v1Genre(const std::string& name);

  // Folder structures. Positions are 1-based.
  // Matches the open file's path from `start` on against Structures, in order, until one fits.
  // -1 when no file is open, 0 otherwise.
  int ReadStructure(int start);
  // Matches one structure against one path, storing the keyword parts on the way.
  bool CheckStructure(std::string_view structure, std::string_view path);
  // The keyword `text` begins with ("Ignore", "Artist", "Title", "Album", "Genre", "Tracknr"),
  // or "-1".
  static std::string FindKeyword(std::string_view text);
  // Number of folder separators ("/" or "\") in `text`, its last character not counted.
  static int CountDirs(std::string_view text);

  // Properties.
  const std::string& GetFileName() const { return fileName_; }
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& v) { title_ = v; }
  const std::string& GetArtist() const { return artist_; }
  void SetArtist(const std::string& v) { artist_ = v; }
  const std::string& GetAlbum() const { return album_; }
  void SetAlbum(const std::string& v) { album_ = v; }
  const std::string& GetComment() const { return comment_; }
  void SetComment(const std::string& v) { comment_ = v; }
  const std::string& GetV1Genre() const { return v1Genre_; }
  const std::string& GetYear() const { return year_; }
  void SetYear(const std::string& v) { year_ = v; }
  const std::vector<std::string>& GetV1Genres() const;
  const std::vector<std::string>& GetStructures() const { return structures_; }
  void SetStructures(const std::vector<std::string>& v) { structures_ = v; }
  const std::string& GetV2Genre() const { return v2Genre_; }
  void SetV2Genre(const std::string& v) { v2Genre_ = v; }
  const std::string& GetComposer() const { return composer_; }
  void SetComposer(const std::string& v) { composer_ = v; }
  const std::string& GetOrgArtist() const { return orgArtist_; }
  void SetOrgArtist(const std::string& v) { orgArtist_ = v; }
  const std::string& GetCopyright() const { return copyright_; }
  void SetCopyright(const std::string& v) { copyright_ = v; }
  const std::string& GetEncodedBy() const { return encodedBy_; }
  void SetEncodedBy(const std::string& v) { encodedBy_ = v; }
  const std::string& GetGain() const { return gain_; }
  void SetGain(const std::string& v) { gain_ = v; }
  const std::string& GetIntro() const { return intro_; }
  void SetIntro(const std::string& v) { intro_ = v; }
  const std::string& GetOutro() const { return outro_; }
  void SetOutro(const std::string& v) { outro_ = v; }
  int32_t GetTracknr() const { return tracknr_; }
  void SetTracknr(int32_t v) { tracknr_ = v; }
  int32_t GetTime() const { return time_; }
  void SetTime(int32_t v) { time_ = v; }
  uint16_t GetFlags() const { return flags_; }
  void SetFlags(uint16_t v) { flags_ = v; }

  bool IsOpened() const { return opened_; }
  bool GetHasTag() const { return hasTag_; }

 private:
  // Reads the file's tags of the linked types into the tag object.
  void LinkFile();
  void LinkMp3();
  void LinkOgg();
  // Writes the tag object into the file; on failure returns false with a reason.
  bool UpdateMp3(std::string& reason);
  bool UpdateOgg(std::string& reason);
  // Stores one matched part of a path in the property of `keyword`.
  void StoreKeyword(const std::string& keyword, std::string_view value);

  std::map<ID3_FrameID, std::string> tag_;
  bool opened_ = false;
  bool hasTag_ = false;
  bool saving_ = false;
  std::string extension_;

  std::string fileName_;
  std::string title_, artist_, album_, comment_, v1Genre_, year_, v2Genre_;
  std::string composer_, orgArtist_, copyright_, encodedBy_, gain_, intro_, outro_;
  std::vector<std::string> structures_;
  int32_t tracknr_ = 0;
  int32_t time_ = 0;
  uint16_t flags_ = kID3v1 | kID3v2;
};

}  // namespace spinwave
