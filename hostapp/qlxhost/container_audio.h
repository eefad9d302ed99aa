// Which audio codecs a container holds. Audio is copied unchanged where the
// output's container can hold it and re-encoded only where it cannot (AAC
// into a .webm, say), with the codec that container is made for.
#pragma once

#include <string>

namespace qlxhost::cli {

struct AudioEncoder {
    std::string encoder;  // ffmpeg's encoder, e.g. "libopus"
    std::string name;     // for the user, e.g. "Opus"
};

// Empty `encoder` when `codec` (as ffprobe names it) goes into a file with the
// extension `ext` unchanged.
AudioEncoder audioReencoding(const std::string& codec, const std::string& ext);

}  // namespace qlxhost::cli
