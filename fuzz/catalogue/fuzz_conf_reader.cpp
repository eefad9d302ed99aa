// Feeds arbitrary bytes to the ".conf" reader. Beyond the sanitizers, it checks
// what an accepted description always holds.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "catalogue/conf_reader.h"
#include "catalogue/filter_info.h"
#include "catalogue/filter_registry.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void checkAccepted(const NLEFilterRegistry& registry, const NLEFilterInfo& info) {
    require(!info.guid().empty());
    require(registry.findByGuid(info.guid().c_str()).get() == &info);
    require(registry.loadOrderLength() == 1 && registry.filterCount() == 1);
    require(info.lutPath().empty());
    for (std::uint32_t i = 0; i < info.paramCount(); ++i) {
        const std::shared_ptr<NLEFilterParams> param = info.getParam(static_cast<std::int32_t>(i));
        require(param != nullptr);
        require(param->type() == kNLEParamFloat || param->type() == kNLEParamInt ||
                param->type() == kNLEParamText);
        NLEFilterParamValue current;
        param->getValue(current);
        require(current.type == param->type());
        (void)current.asText();
    }
    require(info.getParam(static_cast<std::int32_t>(info.paramCount())) == nullptr);
    char buffer[512];
    info.getGuid(buffer, sizeof buffer);
    info.getName(buffer, sizeof buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NLEFilterRegistry registry;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string problem;
    const std::shared_ptr<NLEFilterInfo> info = readConfStream(registry, in, "fuzz/", &problem);
    if (info) {
        checkAccepted(registry, *info);
    } else {
        require(registry.loadOrderLength() == 0 && registry.filterCount() == 0);
    }
    return 0;
}
