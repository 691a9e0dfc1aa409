#include "import/tag_reader.h"

#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "import/ffmpeg_handles.h"
#include "lyrics/id3_sylt.h"
#include "lyrics/lyrics.h"

namespace sonavix {

namespace import {

// The containers of sound (and of videos' sound) the program reads; no
// playlist, no concatenation list, nothing that would reach other files or
// the network on behalf of the one opened.
constexpr char kContainers[] =
    "wav,w64,aiff,au,flac,ogg,mov,mp4,m4a,matroska,webm,mp3,aac,caf,wv,ape,tta,dsf,avi,asf,mpeg,mpegts";

AvPtr<AVFormatContext> OpenInput(const std::string& path, int& error) {
  AVFormatContext* raw = nullptr;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "format_whitelist", kContainers, 0);
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  error = avformat_open_input(&raw, path.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (error < 0) return nullptr;
  AvPtr<AVFormatContext> input(raw);
  error = avformat_find_stream_info(input.get(), nullptr);
  return error < 0 ? nullptr : std::move(input);
}

}  // namespace import

namespace {

// The first of the keys the container or its first audio stream has (the
// demultiplexers name the same tag differently: "artist", "author", ...).
std::string Tag(const AVFormatContext& input, std::initializer_list<const char*> keys) {
  const AVStream* audio = nullptr;
  for (unsigned i = 0; i < input.nb_streams && !audio; ++i)
    if (input.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) audio = input.streams[i];
  for (const char* key : keys) {
    for (const AVDictionary* tags : {static_cast<const AVDictionary*>(input.metadata),
                                     audio ? static_cast<const AVDictionary*>(audio->metadata) : nullptr}) {
      const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0);
      if (entry && entry->value && *entry->value) return entry->value;
    }
  }
  return {};
}

// "LYRICS", "lyrics-eng" (ID3's USLT, with its language) or "UNSYNCEDLYRICS".
std::string LyricsOf(const AVFormatContext& input) {
  for (const AVDictionary* tags : {static_cast<const AVDictionary*>(input.metadata),
                                   input.nb_streams > 0 ? static_cast<const AVDictionary*>(input.streams[0]->metadata)
                                                        : nullptr})
    for (const char* key : {"lyrics", "unsyncedlyrics"}) {
      const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, AV_DICT_IGNORE_SUFFIX);
      if (entry && entry->value && *entry->value) return entry->value;
    }
  return {};
}

std::string YearOf(const std::string& date) {
  std::string digits;
  for (const char c : date) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digits += c;
      if (digits.size() == 4) return digits;
    } else {
      digits.clear();
    }
  }
  return {};
}

const char* MimeOf(AVCodecID codec) {
  switch (codec) {
    case AV_CODEC_ID_MJPEG: return "image/jpeg";
    case AV_CODEC_ID_PNG: return "image/png";
    case AV_CODEC_ID_BMP: return "image/bmp";
    case AV_CODEC_ID_GIF: return "image/gif";
    case AV_CODEC_ID_WEBP: return "image/webp";
    default: return "";
  }
}

}  // namespace

SoundTags TagsOf(const AVFormatContext& input) {
  SoundTags tags;
  tags.title = Tag(input, {"title"});
  tags.artist = Tag(input, {"artist", "album_artist", "author", "performer"});
  tags.album = Tag(input, {"album"});
  tags.track = Tag(input, {"track"});
  tags.year = YearOf(Tag(input, {"date", "year", "creation_time"}));
  tags.lyrics = LyricsOf(input);
  for (unsigned i = 0; i < input.nb_streams; ++i) {
    const AVStream& stream = *input.streams[i];
    if (!(stream.disposition & AV_DISPOSITION_ATTACHED_PIC) || stream.attached_pic.size <= 0) continue;
    tags.cover.bytes.assign(stream.attached_pic.data, stream.attached_pic.data + stream.attached_pic.size);
    tags.cover.mimeType = MimeOf(stream.codecpar->codec_id);
    tags.cover.width = stream.codecpar->width;
    tags.cover.height = stream.codecpar->height;
    break;
  }
  return tags;
}

namespace {

// Tags larger than this are not searched for synchronised lyrics.
constexpr std::size_t kLargestTag = 64u << 20;

// The LRC text of an ID3v2 tag's SYLT frame at the file's start; empty
// without one.
std::string SyncedLyricsOf(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {};
  std::vector<std::uint8_t> tag(10);
  std::string lrc;
  if (std::fread(tag.data(), 1, tag.size(), file) == tag.size()) {
    const std::size_t size = Id3TagSize(tag);
    if (size > tag.size() && size <= kLargestTag) {
      tag.resize(size);
      const std::size_t rest = std::fread(tag.data() + 10, 1, size - 10, file);
      tag.resize(10 + rest);
      lrc = SyltAsLrc(tag);
    }
  }
  std::fclose(file);
  return lrc;
}

}  // namespace

SoundTags ReadSoundTags(const std::string& path) {
  int error = 0;
  const import::AvPtr<AVFormatContext> input = import::OpenInput(path, error);
  if (!input) return {};
  SoundTags tags = TagsOf(*input);
  // Lyrics without times give way to the synchronised ones.
  if (ParseLyrics(tags.lyrics).lines.empty())
    if (std::string synced = SyncedLyricsOf(path); !synced.empty()) tags.lyrics = std::move(synced);
  return tags;
}

}  // namespace sonavix
