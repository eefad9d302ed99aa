// Questions asked of cl_mem objects.
#pragma once

#include <CL/cl.h>

#include <cstddef>

namespace krcl {

struct ImageShape {
    size_t width = 0;
    size_t height = 0;
    size_t rowPitch = 0;
    size_t elementSize = 0;
    cl_image_format format = {0, 0};
};

// False (without a log line) when `mem` is not an image.
bool queryImage(cl_mem mem, ImageShape* shape);
bool sameFormat(const cl_image_format& a, const cl_image_format& b);

size_t memSize(cl_mem mem);              // 0 when it cannot be asked
cl_mem_object_type memType(cl_mem mem);  // 0 when it cannot be asked
cl_context memContext(cl_mem mem);       // null when it cannot be asked
cl_uint memReferenceCount(cl_mem mem);   // 0 when it cannot be asked

}  // namespace krcl
