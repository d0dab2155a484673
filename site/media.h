#pragma once
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct evp_md_ctx_st;

namespace site {

// One servable media file: a base clip followed by an MP4 "free" box that makes its bytes (and so
// its SHA-1) its own. Players skip the box; the file plays as the clip.
struct MediaItem {
  std::string name;    // file name (UTF-8)
  int clip = 0;        // which base clip
  std::string suffix;  // the free box
  int64_t size = 0;
  std::string hash;  // SHA-1 of the bytes, upper-case hex

  std::string qvod_address() const;  // "qvod://size|HASH|name|"
};

// The base clips (short test patterns with a visible number and a tone, made with ffmpeg once into
// the data folder and reused afterwards) and every item made from them.
class MediaLibrary {
 public:
  // lengths: the lengths (seconds) of the longer clips some titles play, besides the short ones.
  bool prepare(const QString& data_folder, QString* error, const std::vector<int>& lengths = {});

  // The item for a file name (made on first use); variant gives a name its other bytes; seconds
  // above 0 make it of a longer clip of that length; size above 0 pads it to that many bytes.
  const MediaItem& item(const std::string& name, int variant = 0, int seconds = 0, int64_t size = 0);
  std::shared_ptr<const MediaItem> find(const std::string& hash) const;

  // bytes [offset, offset + length) of an item
  std::string read(const MediaItem& m, int64_t offset, int64_t length) const;

  static constexpr int kClips = 4;

 private:
  std::vector<std::string> clips_;
  std::map<int, int> long_clips_;  // length -> index in clips_
  std::vector<std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)>> clip_digests_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<MediaItem>> by_name_;
  std::map<std::string, std::shared_ptr<MediaItem>> by_hash_;
};

}  // namespace site
