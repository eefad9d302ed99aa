// Feeds arbitrary bytes to the "filter.xml" reader. Beyond the sanitizers, it
// checks what an accepted description always holds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"
#include "catalogue/filter_xml_reader.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NLEFilterRegistry registry;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::shared_ptr<NLEFilterInfo> info = readFilterXmlText(registry, text, "fuzz/");
    require(registry.loadOrderLength() == 0);
    if (!info) {
        require(registry.filterCount() == 0);
        return 0;
    }
    require(registry.filterCount() == 1);
    require(registry.findByGuid(info->guid().c_str()) == info);
    require(info->lutPath().empty() || info->lutPath().rfind("fuzz/", 0) == 0);
    require(info->paramCount() == 0 && info->openCLProgramPath().empty());
    char buffer[512];
    info->getLutPath(buffer, sizeof buffer);
    return 0;
}
