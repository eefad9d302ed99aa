#include "session.h"

namespace krcl {

Session::~Session() {
    if (queue != nullptr) clReleaseCommandQueue(queue);
    if (device != nullptr) clReleaseDevice(device);
    if (context != nullptr) clReleaseContext(context);
}

bool waitAndRelease(cl_event event) {
    if (event == nullptr) return false;
    cl_int status = CL_COMPLETE;
    cl_int result = clWaitForEvents(1, &event);
    if (result == CL_SUCCESS) {
        result = clGetEventInfo(event, CL_EVENT_COMMAND_EXECUTION_STATUS, sizeof status, &status,
                                nullptr);
    }
    clReleaseEvent(event);
    return result == CL_SUCCESS && status == CL_COMPLETE;
}

}  // namespace krcl
