// Which GUID texts can name a filter. The host asks for a filter by a
// NUL-terminated text that crosses the boundary in a 512-byte buffer, so a GUID
// holding a NUL, or longer than 511 bytes, could be stored but never asked for
// again: the readers refuse such a description instead. Any other bytes
// (invalid UTF-8 included) are kept as they are and compared byte for byte.
#pragma once

#include <string>

// Why `guid` cannot name a filter, or null when it can.
const char* unusableGuidReason(const std::string& guid);
