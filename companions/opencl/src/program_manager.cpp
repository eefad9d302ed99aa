// Programs by name, shared by every caller that asks for the same name.
#include "impl.h"
#include "log.h"

namespace OPENCL {

void openclProgramManager::Impl::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    programs.clear();
}

openclProgramManager::openclProgramManager(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
openclProgramManager::~openclProgramManager() = default;

openclProgram* openclProgramManager::getOpenCLProgram(const char* name) {
    if (name == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto found = impl_->programs.find(name);
    if (found == impl_->programs.end() || !found->second->isBuilt()) return nullptr;
    return found->second.get();
}

openclProgram* openclProgramManager::createOpenCLProgram(const char* name) {
    if (name == nullptr || *name == '\0') {
        krcl::logf(krcl::kError, "createOpenCLProgram: a program needs a name");
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(impl_->mutex);
    std::unique_ptr<openclProgram>& program = impl_->programs[name];
    if (program == nullptr) {
        auto programImpl = std::make_unique<openclProgram::Impl>();
        programImpl->slot = impl_->slot;
        programImpl->memManager = impl_->memManager;
        programImpl->name = name;
        program = std::make_unique<openclProgram>(std::move(programImpl));
    }
    return program.get();
}

}  // namespace OPENCL
