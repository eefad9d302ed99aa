#include "mem_query.h"

namespace krcl {
namespace {

template <typename T>
T memInfo(cl_mem mem, cl_mem_info what, T fallback) {
    T value = fallback;
    if (clGetMemObjectInfo(mem, what, sizeof value, &value, nullptr) != CL_SUCCESS) return fallback;
    return value;
}

}  // namespace

bool queryImage(cl_mem mem, ImageShape* shape) {
    if (memType(mem) != CL_MEM_OBJECT_IMAGE2D) return false;
    return clGetImageInfo(mem, CL_IMAGE_WIDTH, sizeof shape->width, &shape->width, nullptr) ==
               CL_SUCCESS &&
           clGetImageInfo(mem, CL_IMAGE_HEIGHT, sizeof shape->height, &shape->height, nullptr) ==
               CL_SUCCESS &&
           clGetImageInfo(mem, CL_IMAGE_ROW_PITCH, sizeof shape->rowPitch, &shape->rowPitch,
                          nullptr) == CL_SUCCESS &&
           clGetImageInfo(mem, CL_IMAGE_ELEMENT_SIZE, sizeof shape->elementSize,
                          &shape->elementSize, nullptr) == CL_SUCCESS &&
           clGetImageInfo(mem, CL_IMAGE_FORMAT, sizeof shape->format, &shape->format, nullptr) ==
               CL_SUCCESS;
}

bool sameFormat(const cl_image_format& a, const cl_image_format& b) {
    return a.image_channel_order == b.image_channel_order &&
           a.image_channel_data_type == b.image_channel_data_type;
}

size_t memSize(cl_mem mem) {
    return memInfo<size_t>(mem, CL_MEM_SIZE, 0);
}
cl_mem_object_type memType(cl_mem mem) {
    return memInfo<cl_mem_object_type>(mem, CL_MEM_TYPE, 0);
}
cl_context memContext(cl_mem mem) {
    return memInfo<cl_context>(mem, CL_MEM_CONTEXT, nullptr);
}
cl_uint memReferenceCount(cl_mem mem) {
    return memInfo<cl_uint>(mem, CL_MEM_REFERENCE_COUNT, 0);
}

}  // namespace krcl
