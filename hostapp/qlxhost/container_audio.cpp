#include "container_audio.h"

#include <map>
#include <set>

namespace qlxhost::cli {
namespace {

struct Container {
    std::set<std::string> holds;  // empty: any codec
    AudioEncoder otherwise;
};

const std::map<std::string, Container> kContainers{
    {".webm", {{"opus", "vorbis"}, {"libopus", "Opus"}}},
    {".mp4", {{"aac", "mp3", "ac3", "eac3", "opus", "alac", "mp2"}, {"aac", "AAC"}}},
    {".m4v", {{"aac", "mp3", "ac3", "eac3", "opus", "alac", "mp2"}, {"aac", "AAC"}}},
    {".mov",
     {{"aac", "mp3", "ac3", "eac3", "alac", "mp2", "pcm_s16le", "pcm_s16be", "pcm_s24le",
       "pcm_s24be", "pcm_f32le", "pcm_f32be"},
      {"aac", "AAC"}}},
    {".avi", {{"mp3", "mp2", "ac3", "aac", "pcm_s16le", "pcm_u8"}, {"libmp3lame", "MP3"}}},
};

}  // namespace

AudioEncoder audioReencoding(const std::string& codec, const std::string& ext) {
    const auto container = kContainers.find(ext);
    if (container == kContainers.end() || container->second.holds.count(codec)) return {};
    return container->second.otherwise;
}

}  // namespace qlxhost::cli
