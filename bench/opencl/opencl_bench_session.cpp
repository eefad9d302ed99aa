#include "opencl_bench_session.h"

#include <filesystem>
#include <fstream>

#include "catalogue/filter_info.h"

namespace qlx::bench {

namespace {

constexpr char kLookGuid[] = "5C0FFEE0-0000-4000-8000-00000000A001";

std::shared_ptr<NLEFilterInfo> description(const std::string& program, const std::string& lut,
                                           const std::string& guid) {
    auto info = std::make_shared<NLEFilterInfo>();
    info->setOpenCLProgramPath(program);
    info->setLutPath(lut);
    info->setGuid(guid);
    return info;
}

}  // namespace

std::string bundledProgramPath() {
    return std::string(QLX_RESOURCES_DIR) + "/qlx_effect/plugin/LUT/programs/lut.cl";
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

OpenCLSession::OpenCLSession() {
    ok_ = device_.open() &&
          OpenCLManager::GetIns()->RegisterOpenclContext(
              device_.context(), device_.device(), device_.queue(), nullptr, device_.platform());
}

bool OpenCLSession::reset() {
    OpenCLManager::Release();
    return ok_ &&
           OpenCLManager::GetIns()->RegisterOpenclContext(
               device_.context(), device_.device(), device_.queue(), nullptr, device_.platform());
}

OpenCLSession::~OpenCLSession() {
    OpenCLManager::Release();
}

OPENCL::openclProgramManager* OpenCLSession::programs() const {
    return OpenCLManager::GetIns()->GetOpenclProgramManager();
}

OPENCL::openclMemManager* OpenCLSession::memory() const {
    return OpenCLManager::GetIns()->GetOpenclMemManager();
}

std::unique_ptr<NLEOpenCLLut> OpenCLSession::openCLRenderer(const std::string& lutPath,
                                                            const std::string& program) {
    auto renderer = std::make_unique<NLEOpenCLLut>(description(program, lutPath, ""),
                                                   description("", "", kLookGuid), lutPath);
    if (renderer->Init(programs(), memory()) != 0) return nullptr;
    return renderer;
}

std::unique_ptr<NLEColorLut3dAdjustEffect> OpenCLSession::cpuRenderer(const std::string& lutPath) {
    return std::make_unique<NLEColorLut3dAdjustEffect>(description("", "", kLookGuid), lutPath);
}

std::unique_ptr<qlxhost::OpenCLFrame> OpenCLSession::upload(const cv::Mat& picture) {
    auto frame =
        std::make_unique<qlxhost::OpenCLFrame>(device_, suite_, picture.cols, picture.rows);
    if (!frame->write(picture.data, static_cast<int>(picture.step))) return nullptr;
    return frame;
}

OPENCL::openclMemory* OpenCLSession::attach(qlxhost::OpenCLFrame& frame) {
    OPENCL::openclMemory* image = nullptr;
    memory()->AttachOpenCLMem(frame.image(), OPENCL::Image2D, OPENCL::_image_format{0x10B6, 0x10D2},
                              static_cast<std::uint32_t>(frame.width()),
                              static_cast<std::uint32_t>(frame.height()), nullptr, 0, &image);
    return image;
}

}  // namespace qlx::bench
