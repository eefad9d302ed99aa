// The two grammars behind readLut() and the entry reading they share.
#pragma once

#include <string>

#include "lut/lut_file.h"
#include "lut/lut_text_reader.h"

namespace qlx {

// The largest size the plugin holds per axis.
constexpr int kLutLargestSize = 65;

void readCubeLut(LutTextReader& text, LutReading& reading);
void readThreeDlLut(LutTextReader& text, LutReading& reading);

void addLutError(LutReading& reading, std::int32_t status, int line, std::string sentence);

// The status of a file that ended where another line was needed.
std::int32_t lutEndStatus(LutTextReader::Result result);

// Reads size³ entry lines; `sizeSource` says where the size came from. Once
// the loader has stopped (an earlier error) the entries are only counted
// and checked, not kept.
void readLutEntries(LutTextReader& text, int size, const std::string& sizeSource,
                    LutReading& reading);

}  // namespace qlx
