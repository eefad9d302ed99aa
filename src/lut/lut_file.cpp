#include "lut/lut_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "common/platform.h"
#include "lut/byte_source.h"
#include "lut/entry_scanner.h"
#include "lut/lut_format_readers.h"

namespace qlx {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void explainMissingLineBreak(const LutTextReader& text, LutReading& reading) {
    const std::size_t seen = text.detectedSpan();
    if (seen == 0) {
        addLutError(reading, kLutNoLineBreak, 0, "the file is empty");
    } else if (seen < 252) {
        addLutError(reading, kLutNoLineBreak, 1,
                    "the file has no line break: it is one single line");
    } else {
        addLutError(reading, kLutNoLineBreak, 1,
                    "first line longer than 251 bytes: the plugin finds no line break in the "
                    "first 252 bytes");
    }
}

}  // namespace

void LutFile::gridValue(std::size_t index, float out[3]) const {
    const float* read = &entries[index * 3];
    for (int c = 0; c < 3; ++c) {
        if (format == LutFileFormat::Cube) {
            out[c] = read[c] * ((domainMax[c] - domainMin[c]) * 255.0f);
        } else {
            out[c] = read[c] / outputMax * 255.0f;
        }
    }
}

void LutFile::textureValue(std::size_t index, bool normalized, float out[3]) const {
    const float* read = &entries[index * 3];
    for (int c = 0; c < 3; ++c) {
        float t;
        if (format == LutFileFormat::Cube) {
            t = (read[c] - domainMin[c]) / (domainMax[c] - domainMin[c]);
            t = std::isnan(t) ? 0.0f : std::clamp(t, 0.0f, 1.0f);
        } else {
            t = read[c] / outputMax;
        }
        out[c] = normalized ? t : t * 255.0f;
    }
}

std::vector<float> LutFile::textureTable(bool normalized) const {
    std::vector<float> table(entries.size());
    for (std::size_t i = 0; i < entryTotal(); ++i) textureValue(i, normalized, &table[i * 3]);
    return table;
}

void LutFile::gridIndex(std::size_t index, int* r, int* g, int* b) const {
    const std::size_t n = static_cast<std::size_t>(size);
    const int slowest = static_cast<int>(index / (n * n));
    const int middle = static_cast<int>(index / n % n);
    const int fastest = static_cast<int>(index % n);
    *r = order == LutAxisOrder::RedFastest ? fastest : slowest;
    *g = middle;
    *b = order == LutAxisOrder::RedFastest ? slowest : fastest;
}

void addLutError(LutReading& reading, std::int32_t status, int line, std::string sentence) {
    reading.errors.push_back({status, line, std::move(sentence)});
}

std::int32_t lutEndStatus(LutTextReader::Result result) {
    return result == LutTextReader::Result::PastEnd ? kLutPastEnd : kLutNothingLeft;
}

void readLutEntries(LutTextReader& text, int size, const std::string& sizeSource,
                    LutReading& reading) {
    LutFile& lut = reading.lut;
    const bool keep = reading.loaded();
    const long total = static_cast<long>(size) * size * size;
    reading.entriesBegun = keep;
    // Nothing is reserved for the size³ entries the header asks for: a
    // 15-byte header may ask for 3 MB, so memory grows with the lines read.
    float read[3] = {0.0f, 0.0f, 0.0f};  // values persist across entries
    for (long count = 0; count < total; ++count) {
        const LutTextReader::Result result = text.nextSignificantLine();
        if (result != LutTextReader::Result::Line) {
            const std::string n = std::to_string(size);
            addLutError(reading, lutEndStatus(result), text.lastLineNumber(),
                        "the file ends after " + std::to_string(count) + " of the " +
                            std::to_string(total) + " entries the plugin expects (" + n + " x " +
                            n + " x " + n + ", from " + sizeSource + ")");
            return;
        }
        const int numbers = scanEntry(text.line().c_str(), read);
        if (numbers < 3) lut.shortEntryLines.push_back(text.lineNumber());
        for (int c = 0; c < numbers; ++c) lut.largestValue = std::max(lut.largestValue, read[c]);
        if (keep) lut.entries.insert(lut.entries.end(), read, read + 3);
    }
}

std::optional<LutFileFormat> lutFormatOf(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (extension == ".3DL") return LutFileFormat::ThreeDl;
    if (extension == ".CUBE") return LutFileFormat::Cube;
    return std::nullopt;
}

LutReading readLut(LutTextReader& text, LutFileFormat format) {
    LutReading reading;
    reading.lut.format = format;
    if (!text.detectTerminator()) {
        explainMissingLineBreak(text, reading);
    } else if (format == LutFileFormat::Cube) {
        readCubeLut(text, reading);
    } else {
        readThreeDlLut(text, reading);
    }
    return reading;
}

std::optional<LutReading> readLutFile(const std::string& utf8Path) {
    const std::optional<LutFileFormat> format = lutFormatOf(utf8Path);
    if (!format) return std::nullopt;
    std::unique_ptr<std::FILE, FileCloser> file(platform::openForSharedRead(utf8Path));
    if (!file) return std::nullopt;
    FileByteSource source(file.get());
    auto text = std::make_unique<LutTextReader>(source);
    return readLut(*text, *format);
}

}  // namespace qlx
