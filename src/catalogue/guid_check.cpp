#include "catalogue/guid_check.h"

const char* unusableGuidReason(const std::string& guid) {
    if (guid.find('\0') != std::string::npos) return "\"GUID\" holds a NUL character";
    if (guid.size() > 511) return "\"GUID\" is longer than 511 bytes";
    return nullptr;
}
