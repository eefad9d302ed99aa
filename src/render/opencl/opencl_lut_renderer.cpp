#include "render/opencl/opencl_lut_renderer.h"

#include <KRPlatformOpenCL.h>

#include <algorithm>
#include <cstring>

#include "catalogue/filter_info.h"
#include "common/log.h"
#include "lut/cube_lut.h"

namespace {

// Every instance shares the one program registered under this name: the first
// instance to prepare decides which program file all of them use.
constexpr char kProgramName[] = "LUT";
constexpr char kMainKernelName[] = "MAIN";
constexpr char kSkinKernelName[] = "SkinProtect";

constexpr OPENCL::_image_format kBgraUnorm8{0x10B6, 0x10D2};

// Argument positions shared by both kernels; the skin kernel adds two more.
enum KernelArgument : std::int32_t {
    kArgSource = 0,
    kArgDestination,
    kArgGrid,
    kArgFractions,
    kArgIndices,
    kArgWidth,
    kArgHeight,
    kArgLutSize,
    kArgAlpha,
    kArgSkinMask,
    kArgSkinProtect,
};

bool setMemory(OPENCL::openclKernel* kernel, std::int32_t index, OPENCL::openclMemory* memory) {
    return kernel->setKernelParameters(index, OPENCL::Memory, memory, sizeof(memory));
}

bool setInteger(OPENCL::openclKernel* kernel, std::int32_t index, std::int32_t value) {
    return kernel->setKernelParameters(index, OPENCL::Int32, &value, sizeof(value));
}

cv::Size sizeOf(OPENCL::openclMemory* image) {
    const OPENCL::_ImageDataDesc desc = image->getOpenCLMemoryInfo();
    return cv::Size(static_cast<int>(desc.width), static_cast<int>(desc.height));
}

// The part two frames anchored at the top-left corner share.
cv::Size overlap(cv::Size a, cv::Size b) {
    return cv::Size(std::min(a.width, b.width), std::min(a.height, b.height));
}

void* mapCorner(OPENCL::openclMemory* image, cv::Size size, std::size_t* pitch, bool read) {
    return image->lockMemory(true, pitch, 0, 0, 0, static_cast<std::size_t>(size.width),
                             static_cast<std::size_t>(size.height), 1, OPENCL::LockDefault, read);
}

// Copies the top-left `size` pixels of one image into another.
bool copyCorner(OPENCL::openclMemory* from, OPENCL::openclMemory* to, cv::Size size) {
    if (size.empty()) return true;
    std::size_t fromPitch = 0, toPitch = 0;
    auto* source = static_cast<std::uint8_t*>(mapCorner(from, size, &fromPitch, true));
    auto* target = static_cast<std::uint8_t*>(mapCorner(to, size, &toPitch, false));
    if (source && target) {
        for (int y = 0; y < size.height; ++y)
            std::memcpy(target + y * toPitch, source + y * fromPitch,
                        static_cast<std::size_t>(size.width) * 4);
    }
    if (source) from->unlockMemory(source);
    if (target) to->unlockMemory(target);
    return source && target;
}

}  // namespace

NLEOpenCLLut::NLEOpenCLLut(const std::shared_ptr<NLEFilterInfo>& root,
                           const std::shared_ptr<NLEFilterInfo>& filter, std::string lutPath,
                           QLXGPUDeviceSuite* gpuDevices)
    : root_(root),
      gpuDevices_(gpuDevices),
      params_(std::move(lutPath), filter ? filter->guid() : std::string()) {}

NLEOpenCLLut::~NLEOpenCLLut() {
    if (memory_) {
        for (OPENCL::openclMemory* memory :
             {gridBuffer_, fractionBuffer_, indexBuffer_, skinMaskImage_})
            memory_->deleteOpenCLMem(memory, false);
    }
    if (program_) {
        program_->deleteKernel(mainKernel_);
        program_->deleteKernel(skinKernel_);
    }
}

int NLEOpenCLLut::Init(OPENCL::openclProgramManager* programs, OPENCL::openclMemManager* memory) {
    if (programs) programs_ = programs;
    if (memory) memory_ = memory;
    if (!programs_ || !memory_) return qlx::kRenderFailed;

    const std::string path = root_ ? root_->openCLProgramPath() : std::string();
    const std::int32_t encrypted = root_ ? static_cast<std::int32_t>(root_->encrypted()) : 0;
    if (!program_) program_ = programs_->getOpenCLProgram(kProgramName);
    if (!program_) {
        OPENCL::openclProgram* created = programs_->createOpenCLProgram(kProgramName);
        if (!created) return qlx::kRenderFailed;
        if (!created->loadProgram(path.c_str(), nullptr, OPENCL::LoadFromFile, OPENCL::CodeSource,
                                  encrypted)) {
            qlx::hostLog(kQLXLogError, "tonekit::LUT Can't loadProgram: %s", path.c_str());
            return qlx::kRenderFailed;
        }
        program_ = created;
    }
    if (!mainKernel_) mainKernel_ = program_->getopenclKernel(kMainKernelName);
    if (!mainKernel_) return qlx::kRenderFailed;
    if (!skinKernel_) {
        skinKernel_ = program_->getopenclKernel(kSkinKernelName);
        if (!skinKernel_) qlx::hostLog(kQLXLogError, "tonekit::skinProtect kernel create failed");
    }
    return qlx::kRenderOk;
}

int NLEOpenCLLut::prepare(QLXEffectContext* context) {
    OpenCLManager* openCL = OpenCLManager::GetIns();
    const bool ready =
        Init(openCL->GetOpenclProgramManager(), openCL->GetOpenclMemManager()) == qlx::kRenderOk;
    if (!ready) qlx::hostLog(kQLXLogError, "Init LUT OpenCL Filter Failed.");
    if (context) context->vtbl->SetResourceHint(context, !ready);
    return ready ? kQLXSuccess : kQLXFailed;
}

int NLEOpenCLLut::begin(const qlx::HostFrame& in, const qlx::HostFrame& out) {
    void *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
    std::int32_t x = 0, y = 0;
    if (gpuDevices_) {
        const QLXGPUDeviceSuiteVtbl* gpu = gpuDevices_->vtbl;
        gpu->GetFrameHandles(gpuDevices_, in.gpuHandle, &a, &b);
        gpu->GetFrameHandles(gpuDevices_, out.gpuHandle, &c, &d);
        gpu->GetFrameValue(gpuDevices_, in.gpuHandle, &x);
        gpu->GetFrameValue(gpuDevices_, out.gpuHandle, &y);
    }
    frameSrc_ = frameDst_ = nullptr;
    if (OPENCL::openclMemManager* memory = OpenCLManager::GetIns()->GetOpenclMemManager()) {
        memory->AttachOpenCLMem(a, OPENCL::Image2D, kBgraUnorm8,
                                static_cast<std::uint32_t>(in.width),
                                static_cast<std::uint32_t>(in.height), b, x, &frameSrc_);
        memory->AttachOpenCLMem(c, OPENCL::Image2D, kBgraUnorm8,
                                static_cast<std::uint32_t>(out.width),
                                static_cast<std::uint32_t>(out.height), d, y, &frameDst_);
    }
    return kQLXSuccess;
}

qlx::SkinSource NLEOpenCLLut::skinSource(const qlx::HostFrame& /*in*/) {
    qlx::SkinSource source;
    source.image = frameSrc_;
    return source;
}

int NLEOpenCLLut::render(const qlx::HostFrame& /*in*/, const qlx::HostFrame& /*out*/,
                         const qlx::SkinMask* skin) {
    if (Render(frameSrc_, frameDst_, skin) == qlx::kRenderOk) return kQLXSuccess;
    qlx::hostLog(kQLXLogError, "LUT OpenCL Render Failed.");
    return kQLXFailed;
}

int NLEOpenCLLut::Render(OPENCL::openclMemory* src, OPENCL::openclMemory* dst,
                         const qlx::SkinMask* skin) {
    if (!src) return qlx::kRenderNoInput;
    const std::string& path = params_.lutForFrame();
    if (path.empty()) return passThrough(src, dst);
    if (!lut_) lut_ = std::make_unique<qlx::CubeLut>();

    if (loadedPath_ != path) {
        // The loaded path stays as it was on failure, so the load is tried
        // again on the next frame.
        if (!lut_->loadCubeFile(path)) {
            qlx::hostLog(kQLXLogError, "tonekit::LUT loadCubeFile Failed: %s", path.c_str());
            return passThrough(src, dst);
        }
        if (!uploadTables()) return qlx::kRenderFailed;
        loadedPath_ = path;
        loadedSize_ = lut_->size();
    }

    // The kernels run over the whole output. Where the input does not cover it
    // they read the output's own bytes, from an image made for the frame.
    const cv::Size in = sizeOf(src), out = dst ? sizeOf(dst) : in;
    FrameArguments frame{src, dst, out.width, out.height, loadedSize_, overlap(in, out)};
    if (out != frame.covered) frame.src = originalOf(src, dst, frame.covered);
    if (!frame.src) return qlx::kRenderFailed;
    const int result = runTasks(frame, skin);
    if (frame.src != src) memory_->deleteOpenCLMem(frame.src, false);
    return result;
}

int NLEOpenCLLut::runTasks(const FrameArguments& frame, const qlx::SkinMask* skin) {
    if (skin && skin->strength != 0 && skinKernel_) {
        if (runSkinTask(frame, *skin)) return qlx::kRenderOk;
        qlx::hostLog(kQLXLogError, "tonekit::renderer skin protect task failed");
    }
    return runMainTask(frame) ? qlx::kRenderOk : qlx::kRenderFailed;
}

OPENCL::openclMemory* NLEOpenCLLut::originalOf(OPENCL::openclMemory* src, OPENCL::openclMemory* dst,
                                               cv::Size covered) {
    const cv::Size size = sizeOf(dst);
    std::size_t pitch = 0;
    void* pixels = mapCorner(dst, size, &pitch, true);
    OPENCL::openclMemory* original = nullptr;
    const bool made = pixels && memory_ &&
                      memory_->createOpenCLMem(
                          OPENCL::Image2D, kBgraUnorm8, static_cast<std::uint32_t>(size.width),
                          static_cast<std::uint32_t>(size.height), 1, pixels, pitch, &original);
    if (pixels) dst->unlockMemory(pixels);
    if (made && copyCorner(src, original, covered)) return original;
    if (memory_) memory_->deleteOpenCLMem(original, false);
    return nullptr;
}

int NLEOpenCLLut::passThrough(OPENCL::openclMemory* src, OPENCL::openclMemory* dst) {
    if (!dst) return qlx::kRenderOk;
    const cv::Size in = sizeOf(src), out = sizeOf(dst);
    if (in == out) {
        src->copyToMemory(dst, true, nullptr);
    } else {
        copyCorner(src, dst, overlap(in, out));
    }
    return qlx::kRenderOk;
}

bool NLEOpenCLLut::uploadTables() {
    if (!memory_) return false;  // not prepared
    for (OPENCL::openclMemory** buffer : {&gridBuffer_, &fractionBuffer_, &indexBuffer_}) {
        memory_->deleteOpenCLMem(*buffer, false);
        *buffer = nullptr;
    }
    constexpr std::uint32_t kGridBytes = qlx::CubeLut::kGridFloats * sizeof(float);
    constexpr std::uint32_t kFractionBytes = qlx::CubeLut::kLevels * sizeof(float);
    constexpr std::uint32_t kIndexBytes = qlx::CubeLut::kLevels * sizeof(std::int32_t);
    memory_->createOpenCLMem(OPENCL::Buffer, kGridBytes, lut_->table(), &gridBuffer_);
    memory_->createOpenCLMem(OPENCL::Buffer, kFractionBytes, lut_->fractionTable(),
                             &fractionBuffer_);
    memory_->createOpenCLMem(OPENCL::Buffer, kIndexBytes, lut_->indexTable(), &indexBuffer_);
    return true;
}

bool NLEOpenCLLut::setCommonArguments(OPENCL::openclKernel* kernel, const FrameArguments& frame) {
    const std::int32_t alpha = params_.alpha();
    bool ok = setMemory(kernel, kArgSource, frame.src);
    ok = setMemory(kernel, kArgDestination, frame.dst) && ok;
    ok = setMemory(kernel, kArgGrid, gridBuffer_) && ok;
    ok = setMemory(kernel, kArgFractions, fractionBuffer_) && ok;
    ok = setMemory(kernel, kArgIndices, indexBuffer_) && ok;
    ok = setInteger(kernel, kArgWidth, frame.width) && ok;
    ok = setInteger(kernel, kArgHeight, frame.height) && ok;
    ok = setInteger(kernel, kArgLutSize, frame.lutSize) && ok;
    ok = setInteger(kernel, kArgAlpha, alpha) && ok;
    return ok;
}

bool NLEOpenCLLut::runSkinTask(const FrameArguments& frame, const qlx::SkinMask& skin) {
    const cv::Mat& skinMask = skin.pixels;
    if (!memory_ || !program_) return false;
    memory_->deleteOpenCLMem(skinMaskImage_, false);
    skinMaskImage_ = nullptr;
    // A mask that does not cover the input's part of the frame is refused, as
    // the CPU renderer refuses it, rather than read at clamped coordinates.
    // Beyond the input there is no skin.
    if (skinMask.empty() || skinMask.type() != CV_8UC4 || skinMask.cols < frame.covered.width ||
        skinMask.rows < frame.covered.height)
        return false;
    if (skinMask.cols < frame.width || skinMask.rows < frame.height) {
        cv::Mat padded(frame.height, frame.width, CV_8UC4, cv::Scalar::all(0));
        skinMask(cv::Rect(cv::Point(), frame.covered))
            .copyTo(padded(cv::Rect(cv::Point(), frame.covered)));
        return runSkinTask(frame, qlx::SkinMask{padded, skin.strength});
    }
    if (!memory_->createOpenCLMem(OPENCL::Image2D, kBgraUnorm8,
                                  static_cast<std::uint32_t>(skinMask.cols),
                                  static_cast<std::uint32_t>(skinMask.rows), 1, skinMask.data,
                                  skinMask.step[0], &skinMaskImage_))
        return false;
    const std::int32_t skinProtect = std::clamp(skin.strength, 0, 100);
    bool ok = setCommonArguments(skinKernel_, frame);
    ok = setMemory(skinKernel_, kArgSkinMask, skinMaskImage_) && ok;
    ok = setInteger(skinKernel_, kArgSkinProtect, skinProtect) && ok;
    return ok && program_->runProgramKernel(skinKernel_, static_cast<std::size_t>(frame.width),
                                            static_cast<std::size_t>(frame.height), 1, true);
}

bool NLEOpenCLLut::runMainTask(const FrameArguments& frame) {
    if (!program_ || !mainKernel_) return false;
    const bool ok = setCommonArguments(mainKernel_, frame);
    return ok && program_->runProgramKernel(mainKernel_, static_cast<std::size_t>(frame.width),
                                            static_cast<std::size_t>(frame.height), 1, true);
}
