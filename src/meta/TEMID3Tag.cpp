#include "meta/TEMID3Tag.h"

#include <unistd.h>

#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include "core/AsciiText.h"
#include "core/AtomicFile.h"
#include "core/Messages.h"
#include "meta/ID3Genres.h"

namespace spinwave {

namespace {

constexpr ID3_FrameID kAllFrames[] = {
    ID3FID_COMMENT, ID3FID_ALBUM, ID3FID_COMPOSER, ID3FID_CONTENTTYPE,
    ID3FID_COPYRIGHT, ID3FID_ENCODEDBY, ID3FID_TITLE, ID3FID_SONGLEN,
    ID3FID_ORIGARTIST, ID3FID_LEADARTIST, ID3FID_TRACKNUM, ID3FID_YEAR};

std::string FromTag(const TagLib::String& s) { return s.to8Bit(true); }
TagLib::String ToTag(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

// Latin-1 where it suffices (read by every player), otherwise UTF-16, which ID3v2.3 allows.
TagLib::String::Type EncodingFor(const TagLib::String& s) {
  return s.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

bool IsIntegerField(const TagLib::String& s) {
  std::string t = s.to8Bit(true);
  size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
  if (i >= t.size()) return false;
  for (; i < t.size(); ++i)
    if (t[i] < '0' || t[i] > '9') return false;
  return true;
}

// "(n)" for a genre number.
std::string GenreNumberText(const std::string& number) {
  std::string text;
  text.reserve(number.size() + 2);
  text += '(';
  text += number;
  text += ')';
  return text;
}

// The tag library hands a content type such as "(17)Live" over as the fields "17" and "Live".
// Rebuild the "(n)text" form the genre logic works on: numbers before any text in parentheses,
// text fields after them.
std::string ContentTypeText(const TagLib::StringList& fields) {
  std::string numbers, text;
  for (const auto& f : fields) {
    if (text.empty() && IsIntegerField(f)) {
      numbers += GenreNumberText(FromTag(f));
    } else if (!f.isEmpty()) {
      if (!text.empty()) text += " / ";
      text += FromTag(f);
    }
  }
  return numbers + text;
}

// The year lives in TDRC inside the tag library (an ID3v2.3 TYER is read into it and written
// back out of it).
const char* Id3v2FrameIdFor(ID3_FrameID id) {
  return id == ID3FID_YEAR ? "TDRC" : ID3FrameName(id);
}

// The comment frame to use: the first one without a description (players keep their own data
// in described comments), else the first one.
TagLib::ID3v2::CommentsFrame* MainComment(TagLib::ID3v2::Tag* tag) {
  const auto& list = tag->frameListMap()["COMM"];
  TagLib::ID3v2::CommentsFrame* first = nullptr;
  for (auto* f : list) {
    auto* c = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(f);
    if (!c) continue;
    if (!first) first = c;
    if (c->description().isEmpty()) return c;
  }
  return first;
}

std::string CutAtCharacter(const std::string& s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  size_t n = maxBytes;
  // Step back over UTF-8 continuation bytes so that no character is cut in half.
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

std::string LowerExtension(const std::string& name) {
  size_t slash = name.find_last_of('/');
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ToLowerAscii(std::string_view(name).substr(dot));
}

}  // namespace

const char* ID3FrameName(ID3_FrameID id) {
  switch (id) {
    case ID3FID_COMMENT: return "COMM";
    case ID3FID_ALBUM: return "TALB";
    case ID3FID_COMPOSER: return "TCOM";
    case ID3FID_CONTENTTYPE: return "TCON";
    case ID3FID_COPYRIGHT: return "TCOP";
    case ID3FID_ENCODEDBY: return "TENC";
    case ID3FID_TITLE: return "TIT2";
    case ID3FID_SONGLEN: return "TLEN";
    case ID3FID_ORIGARTIST: return "TOPE";
    case ID3FID_LEADARTIST: return "TPE1";
    case ID3FID_TRACKNUM: return "TRCK";
    case ID3FID_YEAR: return "TYER";
    default: return nullptr;
  }
}

const char* VorbisFieldName(ID3_FrameID id) {
  switch (id) {
    case ID3FID_COMMENT: return "COMMENT";
    case ID3FID_ALBUM: return "ALBUM";
    case ID3FID_COMPOSER: return "COMPOSER";
    case ID3FID_CONTENTTYPE: return "GENRE";
    case ID3FID_COPYRIGHT: return "COPYRIGHT";
    case ID3FID_ENCODEDBY: return "ENCODED-BY";
    case ID3FID_TITLE: return "TITLE";
    case ID3FID_SONGLEN: return "LENGTH";
    case ID3FID_ORIGARTIST: return "ORIGINALARTIST";
    case ID3FID_LEADARTIST: return "ARTIST";
    case ID3FID_TRACKNUM: return "TRACKNUMBER";
    case ID3FID_YEAR: return "DATE";
    default: return nullptr;
  }
}

const std::vector<std::string>& TEMID3Tag::GetV1Genres() const { return ID3v1Genres(); }

bool TEMID3Tag::SetFilename(const std::string& name) {
  if (name == fileName_ && opened_) return true;
  opened_ = false;
  extension_ = LowerExtension(name);
  if ((extension_ == ".mp3" || extension_ == ".ogg") && FileExists(name)) {
    fileName_ = name;
    LinkFile();
    artist_.clear();
    title_.clear();
    album_.clear();
    comment_.clear();
    v2Genre_.clear();
    year_.clear();
    composer_.clear();
    orgArtist_.clear();
    copyright_.clear();
    encodedBy_.clear();
    v1Genre_ = ID3v1Genres()[0];
    tracknr_ = 0;
    time_ = 0;
    opened_ = true;
    ReadID3v2Tag();
  }
  return opened_;
}

void TEMID3Tag::CloseFile() {
  tag_.clear();
  opened_ = false;
  hasTag_ = false;
}

void TEMID3Tag::LinkFile() {
  tag_.clear();
  hasTag_ = false;
  if (extension_ == ".ogg")
    LinkOgg();
  else
    LinkMp3();
}

void TEMID3Tag::LinkMp3() {
  // A read-only stream: reading never needs, asks for or changes write permission.
  TagLib::FileStream stream(fileName_.c_str(), true);
  if (!stream.isOpen()) return;
  TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
  if (!file.isValid()) return;

  // An ID3v2 tag that runs past the end of the file (a cut download, a damaged header) is not
  // trusted: the file counts as having no such tag.
  const bool v2Whole = file.hasID3v2Tag() && file.ID3v2Tag()->header() &&
                       int64_t(file.ID3v2Tag()->header()->completeTagSize()) <= int64_t(file.length());
  if ((flags_ & kID3v2) && v2Whole) {
    hasTag_ = true;
    TagLib::ID3v2::Tag* v2 = file.ID3v2Tag();
    for (ID3_FrameID id : kAllFrames) {
      if (id == ID3FID_COMMENT) {
        if (auto* c = MainComment(v2)) tag_[id] = FromTag(c->text());
        continue;
      }
      const auto& list = v2->frameListMap()[Id3v2FrameIdFor(id)];
      if (list.isEmpty()) {
        if (id == ID3FID_YEAR && !v2->frameListMap()["TYER"].isEmpty())
          tag_[id] = FromTag(v2->frameListMap()["TYER"].front()->toString());
        continue;
      }
      auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(list.front());
      if (id == ID3FID_CONTENTTYPE && text)
        tag_[id] = ContentTypeText(text->fieldList());
      else
        tag_[id] = FromTag(list.front()->toString());
    }
  }
  if ((flags_ & kID3v1) && file.hasID3v1Tag()) {
    hasTag_ = true;
    // The ID3v1 fields fill in what the ID3v2 tag did not have.
    TagLib::ID3v1::Tag* v1 = file.ID3v1Tag();
    auto fill = [this](ID3_FrameID id, const std::string& value) {
      if (!value.empty() && tag_.find(id) == tag_.end()) tag_[id] = value;
    };
    fill(ID3FID_TITLE, FromTag(v1->title()));
    fill(ID3FID_LEADARTIST, FromTag(v1->artist()));
    fill(ID3FID_ALBUM, FromTag(v1->album()));
    fill(ID3FID_COMMENT, FromTag(v1->comment()));
    if (v1->year() > 0) fill(ID3FID_YEAR, std::to_string(v1->year()));
    if (v1->track() > 0) fill(ID3FID_TRACKNUM, std::to_string(v1->track()));
    if (v1->genreNumber() < 255) fill(ID3FID_CONTENTTYPE, GenreNumberText(std::to_string(v1->genreNumber())));
  }
}

void TEMID3Tag::LinkOgg() {
  TagLib::FileStream stream(fileName_.c_str(), true);
  if (!stream.isOpen()) return;
  TagLib::Ogg::Vorbis::File file(&stream, false);
  if (!file.isValid() || !file.tag()) return;
  hasTag_ = true;
  const TagLib::Ogg::FieldListMap& fields = file.tag()->fieldListMap();
  auto first = [&fields](const char* key) -> std::string {
    auto it = fields.find(key);
    if (it == fields.end() || it->second.isEmpty()) return {};
    return FromTag(it->second.front());
  };
  for (ID3_FrameID id : kAllFrames) {
    std::string value = first(VorbisFieldName(id));
    if (value.empty() && id == ID3FID_COMMENT) value = first("DESCRIPTION");
    if (value.empty() && id == ID3FID_ENCODEDBY) value = first("ENCODEDBY");
    if (!value.empty()) tag_[id] = value;
  }
}

std::string TEMID3Tag::GetID3v2String(ID3_FrameID id) const {
  if (!opened_) return {};
  auto it = tag_.find(id);
  if (it == tag_.end()) return {};
  return CutAtCharacter(it->second, 1023);
}

int TEMID3Tag::ReadID3v2Tag() {
  if (!opened_) return -1;
  if (!hasTag_) return 0;
  title_ = GetID3v2String(ID3FID_TITLE);
  artist_ = GetID3v2String(ID3FID_LEADARTIST);
  album_ = GetID3v2String(ID3FID_ALBUM);

  // Content type: "(n)text" gives ID3v1 genre n and the free text; anything else is free text.
  v2Genre_ = GetID3v2String(ID3FID_CONTENTTYPE);
  int64_t index = 0;
  if (!v2Genre_.empty() && v2Genre_[0] == '(') {
    size_t close = v2Genre_.find(')', 1);
    if (close != std::string::npos) {
      std::string inner = v2Genre_.substr(1, close - 1);
      int64_t n = LeadingInteger(inner);
      index = (n != 0 || (!inner.empty() && inner[0] == '0')) ? n + 1 : 0;
      v2Genre_ = v2Genre_.substr(close + 1);
    }
  }
  const auto& genres = ID3v1Genres();
  if (index < 0 || index >= int64_t(genres.size())) index = 0;
  v1Genre_ = genres[size_t(index)];

  year_ = GetID3v2String(ID3FID_YEAR);
  tracknr_ = LeadingInt32(GetID3v2String(ID3FID_TRACKNUM));
  comment_ = GetID3v2String(ID3FID_COMMENT);
  time_ = LeadingInt32(GetID3v2String(ID3FID_SONGLEN));
  composer_ = GetID3v2String(ID3FID_COMPOSER);
  orgArtist_ = GetID3v2String(ID3FID_ORIGARTIST);
  copyright_ = GetID3v2String(ID3FID_COPYRIGHT);
  encodedBy_ = GetID3v2String(ID3FID_ENCODEDBY);
  return 0;
}

int TEMID3Tag::WriteID3v2Frame(ID3_FrameID id, const std::string& text) {
  if (text.empty()) return 0;
  if (!ID3FrameName(id)) {
    ShowMessage("Couldn't create ID3 frame: " + std::to_string(int(id)));
    return -1;
  }
  tag_[id] = text;
  return 0;
}

int TEMID3Tag::SaveID3v2Tag() {
  if (saving_) return kSaveBusy;
  if (!opened_) return kSaveNotOpen;
  saving_ = true;

  WriteID3v2Frame(ID3FID_LEADARTIST, artist_);
  WriteID3v2Frame(ID3FID_TITLE, title_);
  WriteID3v2Frame(ID3FID_ALBUM, album_);
  WriteID3v2Frame(ID3FID_COMMENT, comment_);
  WriteID3v2Frame(ID3FID_YEAR, year_);
  WriteID3v2Frame(ID3FID_TRACKNUM, std::to_string(tracknr_));
  WriteID3v2Frame(ID3FID_CONTENTTYPE,
                  GenreNumberText(std::to_string(ID3v1GenreIndex(v1Genre_) - 1)) + v2Genre_);
  WriteID3v2Frame(ID3FID_SONGLEN, std::to_string(time_));
  WriteID3v2Frame(ID3FID_COMPOSER, composer_);
  WriteID3v2Frame(ID3FID_ORIGARTIST, orgArtist_);
  WriteID3v2Frame(ID3FID_COPYRIGHT, copyright_);
  WriteID3v2Frame(ID3FID_ENCODEDBY, encodedBy_);

  std::string reason;
  bool ok;
  if (::access(fileName_.c_str(), W_OK) != 0) {
    ok = false;
    reason = "The file cannot be written.";
  } else {
    ok = extension_ == ".ogg" ? UpdateOgg(reason) : UpdateMp3(reason);
  }
  saving_ = false;
  if (!ok) {
    ShowMessage("Couldn't save the tag of " + fileName_ + ". " + reason);
    return kSaveFailed;
  }
  tag_.clear();
  return 0;
}

bool TEMID3Tag::UpdateMp3(std::string& reason) {
  TagLib::MPEG::File file(fileName_.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
  if (!file.isOpen() || file.readOnly()) {
    reason = "The file cannot be written.";
    return false;
  }
  if (!file.isValid()) {
    reason = "It is not a readable MP3 file.";
    return false;
  }
  TagLib::ID3v2::Tag* v2 = file.ID3v2Tag(true);
  TagLib::ID3v1::Tag* v1 = file.ID3v1Tag(true);
  for (const auto& [id, value] : tag_) {
    const TagLib::String text = ToTag(value);
    if (id == ID3FID_COMMENT) {
      auto* c = MainComment(v2);
      if (!c) {
        c = new TagLib::ID3v2::CommentsFrame(EncodingFor(text));
        c->setLanguage("eng");
        v2->addFrame(c);
      }
      c->setTextEncoding(EncodingFor(text));
      c->setText(text);
    } else {
      const char* frameId = Id3v2FrameIdFor(id);
      if (id == ID3FID_YEAR) v2->removeFrames("TYER");
      const auto& list = v2->frameListMap()[frameId];
      auto* frame = list.isEmpty() ? nullptr
                                   : dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(list.front());
      if (!frame) {
        frame = new TagLib::ID3v2::TextIdentificationFrame(frameId, EncodingFor(text));
        v2->addFrame(frame);
      }
      frame->setTextEncoding(EncodingFor(text));
      frame->setText(text);
    }
    switch (id) {
      case ID3FID_TITLE: v1->setTitle(text); break;
      case ID3FID_LEADARTIST: v1->setArtist(text); break;
      case ID3FID_ALBUM: v1->setAlbum(text); break;
      case ID3FID_COMMENT: v1->setComment(text); break;
      case ID3FID_YEAR: v1->setYear(unsigned(std::max<int64_t>(0, LeadingInt32(value)))); break;
      case ID3FID_TRACKNUM: v1->setTrack(unsigned(std::max<int64_t>(0, LeadingInt32(value)))); break;
      case ID3FID_CONTENTTYPE: {
        int64_t n = value.size() > 1 && value[0] == '(' ? LeadingInteger(value.substr(1)) : -1;
        v1->setGenreNumber(n >= 0 && n < 255 ? unsigned(n) : 255u);
        break;
      }
      default: break;
    }
  }
  if (!file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                 TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate)) {
    reason = "The file cannot be written.";
    return false;
  }
  return true;
}

bool TEMID3Tag::UpdateOgg(std::string& reason) {
  TagLib::Ogg::Vorbis::File file(fileName_.c_str(), false);
  if (!file.isOpen() || file.readOnly()) {
    reason = "The file cannot be written.";
    return false;
  }
  if (!file.isValid() || !file.tag()) {
    reason = "It is not a readable Ogg Vorbis file.";
    return false;
  }
  TagLib::Ogg::XiphComment* comment = file.tag();
  for (const auto& [id, value] : tag_) {
    if (const char* key = VorbisFieldName(id)) comment->addField(key, ToTag(value), true);
  }
  if (!file.save()) {
    reason = "The file cannot be written.";
    return false;
  }
  return true;
}

void TEMID3Tag::SetID3v1Genre(const std::string& name) {
  if (ID3v1GenreIndex(name) >= 0)
    v1Genre_ = name;
  else
    ShowMessage(name + " is not a valid ID3v1 genre");
}

}  // namespace spinwave
