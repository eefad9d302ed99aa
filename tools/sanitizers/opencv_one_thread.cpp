// Preloaded into the ThreadSanitizer runs: holds OpenCV's parallel_for_ to the
// calling thread. Debian's OpenCV runs it on TBB, whose uninstrumented
// scheduler hands work to its threads in ways TSan cannot see, so every band
// would look like a race; OPENCV_FOR_THREADS_NUM does not reach the TBB
// backend, setNumThreads(1) does.
#include <cstdlib>
#include <opencv2/core/utility.hpp>

namespace {

struct OneThread {
    OneThread() {
        cv::setNumThreads(1);
        // Programs started from here (POCL runs the linker) are not instrumented.
        unsetenv("LD_PRELOAD");
    }
} oneThread;

}  // namespace
