// KRPlatformOpenCL: the OpenCL support library the effect plugins link by name.
//
// The host lends its OpenCL context once (OpenCLManager::RegisterOpenclContext);
// everything else is made on that context: programs built from files, kernels,
// buffers and 2D images, and wrappers around the host's own frame images.
// Every operation answers false or null, with a line through the log callback,
// when something is missing or wrong; none of them throws.
//
// Native handles of an OpenCL device record (the host's GPU device list):
//   handle 1  cl_context        the host's context; required
//   handle 2  cl_device_id      the device to build and run on; null = the
//                               context's first device
//   handle 3  cl_command_queue  the queue to run on (in order); null = the
//                               library makes its own on the device
//   handle 4  cl_platform_id    the device's platform; null = asked of the device
//   handle 5  reserved          ignored; hosts pass null
// RegisterOpenclContext takes them in the order 1, 2, 3, 5, 4: its fourth
// argument is the record's fifth handle and its fifth argument the fourth.
//
// Frame handles given to openclMemManager::AttachOpenCLMem:
//   first handle   a cl_mem 2D image made by the host on the registered
//                  context; wrapped and retained, never copied
//   second handle  optional second cl_mem of the same frame (for example the
//                  buffer behind the image); retained while wrapped so the
//                  pair lives as long as the wrapper, never read or written
//   frame value    opaque to the library; kept in the descriptor's third
//                  spare word (_ImageDataDesc::reserved[2])
//
// Program files and the `encrypted` value of openclProgram::loadProgram: a
// file that begins with the 8 bytes "QLXENC1\n" is enciphered (format below)
// and is deciphered before the build; any other file is OpenCL C source. The
// header decides, so both kinds load whatever `encrypted` says; when
// `encrypted` and the file disagree the load still goes on and a warning
// (level 3) says so.
// Enciphered format: "QLXENC1\n", a 4-byte little-endian seed, then the
// source bytes, each XORed with the top byte of successive xorshift32 states
// (x ^= x << 13; x ^= x >> 17; x ^= x << 5), the first state being
// seed ^ 0x9E3779B9 (or 0x9E3779B9 itself when that is zero). It hides the
// text from casual reading; it is not security.
//
// Log levels: 2 information, 3 warning, 4 error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#if defined(_WIN32)
#if defined(KRPLATFORM_OPENCL_BUILD)
#define KRPLATFORM_OPENCL_API __declspec(dllexport)
#else
#define KRPLATFORM_OPENCL_API __declspec(dllimport)
#endif
#else
#define KRPLATFORM_OPENCL_API __attribute__((visibility("default")))
#endif

namespace OPENCL {

// OpenCL memory object types (the OpenCL standard's values).
enum MemoryType : std::uint32_t {
    Buffer = 0x10F0,
    Image2D = 0x10F1,
};

// An OpenCL image format: channel order and channel type, the standard's
// values. The default is {CL_RGBA, CL_UNORM_INT8}.
struct _image_format {
    std::uint32_t channelOrder = 0x10B5;
    std::uint32_t channelType = 0x10D0;
};

// What the value of openclKernel::setKernelParameters is. Scalars are passed
// by address with their size in bytes; Memory passes the openclMemory*
// itself as the value (its size argument is not used).
enum DataType : std::int32_t {
    Int8 = 0,
    UInt8 = 1,
    Int16 = 2,
    UInt16 = 3,
    Int32 = 4,
    UInt32 = 5,
    Int64 = 6,
    UInt64 = 7,
    Float32 = 8,
    Float64 = 9,
    Memory = 13,
};

// Description of a memory object, returned by value.
struct _ImageDataDesc {
    std::uint32_t kind = 0xFFFF;  // MemoryType; 0xFFFF when unknown
    std::uint64_t byteSize = 0;   // size of the whole object in bytes
    void* pixels = nullptr;       // always null from this library
    std::uint32_t width = 0;      // pixels; a buffer's byte count
    std::uint32_t height = 0;     // 1 for a buffer
    std::uint32_t depth = 0;      // 1 for a 2D image or a buffer
    std::uint32_t channelOrder = 0;
    std::uint32_t channelType = 0;
    // [0] bytes per pixel (1 for a buffer), [1] row pitch in bytes,
    // [2] the frame value of an attached image (0 otherwise).
    std::uint32_t reserved[3] = {0, 0, 0};
    bool ownsPixels = true;  // this library answers false: nothing to free
};

// Flags of openclMemory::lockMemory.
enum LockFlags : int {
    LockDefault = 0,    // map for reading (read true) or writing (read false)
    LockReadWrite = 1,  // map for both, whatever `read` says
};

// One buffer or 2D image. Made and deleted by openclMemManager.
class KRPLATFORM_OPENCL_API openclMemory {
  public:
    // Copies this object whole into `dst` (image to image of the same size
    // and format, or buffer to a buffer at least as large). `queue` is a
    // cl_command_queue to use, null for the registered one.
    bool copyToMemory(openclMemory* dst, bool blocking, void* queue);

    _ImageDataDesc getOpenCLMemoryInfo();

    // Maps a region into host memory and returns its address, or null. For
    // an image the origin and region are in pixels (a zero region extent
    // means the whole extent); for a buffer `ox` and `w` are a byte offset
    // and count. `rowPitch` (may be null) receives the mapping's row pitch in
    // bytes; what it holds on entry is not used. `flags`: LockFlags.
    void* lockMemory(bool blocking, std::size_t* rowPitch, std::size_t ox, std::size_t oy,
                     std::size_t oz, std::size_t w, std::size_t h, std::size_t d, int flags,
                     bool read);
    // Unmaps an address lockMemory returned; waits until the unmap is done.
    bool unlockMemory(void* address);

    void* nativeHandle() const;  // the cl_mem
    bool isAttached() const;     // wraps a host image

    // The library's own state, of no use outside it.
    struct Impl;
    explicit openclMemory(std::unique_ptr<Impl> impl);
    Impl& impl() const { return *impl_; }
    ~openclMemory();
    openclMemory(const openclMemory&) = delete;
    openclMemory& operator=(const openclMemory&) = delete;

  private:
    std::unique_ptr<Impl> impl_;
};

class KRPLATFORM_OPENCL_API openclMemManager {
  public:
    // Buffer form: type Buffer, `byteCount` > 0, `hostData` (may be null)
    // copied into the new buffer.
    bool createOpenCLMem(MemoryType type, std::uint32_t byteCount, const void* hostData,
                         openclMemory** out);
    // Image form: type Image2D, depth 1 (or 0). `hostPixels` (may be null)
    // are copied at creation, rows `rowPitch` bytes apart (0 = tightly
    // packed).
    bool createOpenCLMem(MemoryType type, _image_format format, std::uint32_t width,
                         std::uint32_t height, std::uint32_t depth, const void* hostPixels,
                         std::size_t rowPitch, openclMemory** out);

    // Wraps the host's cl_mem 2D image `nativeMem` without copying (see the
    // frame handles at the top of this file). The image keeps its own format;
    // `width` and `height` must not exceed it. Attaching the same cl_mem
    // again answers the same wrapper. Wrappers belong to the manager: one
    // whose images only the library still holds is reclaimed at a later
    // attach, and at most 64 are kept (the least recently attached goes).
    bool AttachOpenCLMem(void* nativeMem, MemoryType type, _image_format format,
                         std::uint32_t width, std::uint32_t height, void* secondNativeHandle,
                         std::int32_t frameValue, openclMemory** out);

    // Deletes a memory object of this manager. Null is a no-op answering
    // true; a pointer this manager does not hold answers false. With
    // `finishFirst` the queue is drained before the release.
    bool deleteOpenCLMem(openclMemory* memory, bool finishFirst);

    bool holds(const openclMemory* memory) const;  // made or attached here, alive
    std::size_t attachedCount() const;

    // The library's own state, of no use outside it.
    struct Impl;
    explicit openclMemManager(std::unique_ptr<Impl> impl);
    Impl& impl() const { return *impl_; }
    ~openclMemManager();
    openclMemManager(const openclMemManager&) = delete;
    openclMemManager& operator=(const openclMemManager&) = delete;

  private:
    std::unique_ptr<Impl> impl_;
};

// One kernel of a built program, with its own argument values.
class KRPLATFORM_OPENCL_API openclKernel {
  public:
    // Sets argument `index`. Memory: `valueAddress` is the openclMemory*
    // (one held by the memory manager). Scalars: `valueAddress` points at the
    // value and `size` is its size in bytes, which must match the kind.
    bool setKernelParameters(std::int32_t index, DataType kind, void* valueAddress,
                             std::uint64_t size);
    const char* name() const;

    // The library's own state, of no use outside it.
    struct Impl;
    explicit openclKernel(std::unique_ptr<Impl> impl);
    Impl& impl() const { return *impl_; }
    ~openclKernel();
    openclKernel(const openclKernel&) = delete;
    openclKernel& operator=(const openclKernel&) = delete;

  private:
    std::unique_ptr<Impl> impl_;
};

// loadProgram's load types and code types.
enum ProgramLoadType : int { LoadFromFile = 0, LoadFromText = 1 };
enum ProgramCodeType : int { CodeSource = 0 };

// A named program; its kernels belong to it.
class KRPLATFORM_OPENCL_API openclProgram {
  public:
    // Reads the program (load type 0: the file at `path`; 1: the NUL-ended
    // `text`, with `path` only naming it in messages, so enciphered programs,
    // which may hold zero bytes, come by file), deciphers it when it carries
    // the cipher header, and builds it for the registered device. Code type 0 is
    // OpenCL C source; no other is accepted. A failed build passes the build
    // log to the log callback. Loading a program that is already built
    // answers true when it names the same file (or text), false otherwise.
    bool loadProgram(const char* path, const char* text, int loadType, int codeType,
                     std::int32_t encrypted);
    bool isBuilt() const;
    const char* name() const;
    const char* buildLog() const;  // of the last build, empty when none

    // A new kernel object each call (so each caller has its own argument
    // values), or null when the program is not built or has no such kernel.
    openclKernel* getopenclKernel(const char* name);
    bool deleteKernel(openclKernel* kernel);

    // Runs a kernel of this program over a width x height (x depth) grid of
    // work items; with `blocking` it returns once the run is finished.
    bool runProgramKernel(openclKernel* kernel, std::size_t width, std::size_t height,
                          std::size_t depth, bool blocking);

    // The library's own state, of no use outside it.
    struct Impl;
    explicit openclProgram(std::unique_ptr<Impl> impl);
    Impl& impl() const { return *impl_; }
    ~openclProgram();
    openclProgram(const openclProgram&) = delete;
    openclProgram& operator=(const openclProgram&) = delete;

  private:
    std::unique_ptr<Impl> impl_;
};

class KRPLATFORM_OPENCL_API openclProgramManager {
  public:
    // The program of that name once it is built; null otherwise.
    openclProgram* getOpenCLProgram(const char* name);
    // The registered program of that name, made empty when there is none;
    // one that failed to load is answered again so its load can be retried.
    openclProgram* createOpenCLProgram(const char* name);

    // The library's own state, of no use outside it.
    struct Impl;
    explicit openclProgramManager(std::unique_ptr<Impl> impl);
    Impl& impl() const { return *impl_; }
    ~openclProgramManager();
    openclProgramManager(const openclProgramManager&) = delete;
    openclProgramManager& operator=(const openclProgramManager&) = delete;

  private:
    std::unique_ptr<Impl> impl_;
};

// Cipher of program files (format at the top of this file).
KRPLATFORM_OPENCL_API std::string encipherProgramText(const std::string& source,
                                                      std::uint32_t seed);
// Answers false when `data` lacks the header or is cut short.
KRPLATFORM_OPENCL_API bool decipherProgramText(const std::string& data, std::string* source);
KRPLATFORM_OPENCL_API bool isEncipheredProgram(const std::string& data);

}  // namespace OPENCL

// The process-wide manager.
class KRPLATFORM_OPENCL_API OpenCLManager {
  public:
    using LogCallback = void (*)(int level, const char* text);

    static OpenCLManager* Create();  // makes the manager if there is none
    static OpenCLManager* GetIns();  // the manager, made on first use; never null
    // Destroys the manager with every program, kernel and memory object;
    // static, so both `manager->Release()` and `OpenCLManager::Release()` work.
    static void Release();
    // Where log lines go (level, text); null drops them. It may be called
    // from any thread, sometimes while the library holds a lock, so it must
    // not call back into the library.
    static void SetLogCallback(LogCallback callback);

    // Handles of the host's device record in the order 1, 2, 3, 5, 4 (see
    // the top of this file). Registering another context releases every
    // program, kernel and memory object made on the previous one.
    bool RegisterOpenclContext(void* context, void* device, void* queue, void* reserved,
                               void* platform);
    bool hasContext() const;

    OPENCL::openclProgramManager* GetOpenclProgramManager();
    OPENCL::openclMemManager* GetOpenclMemManager();

    OpenCLManager(const OpenCLManager&) = delete;
    OpenCLManager& operator=(const OpenCLManager&) = delete;

  private:
    OpenCLManager();
    ~OpenCLManager();  // only Release destroys the manager
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
