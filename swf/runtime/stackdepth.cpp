#include "stackdepth.h"

#include <pthread.h>

#include <cstdint>

namespace swf {

namespace {

// The lowest usable address of this thread's stack, read once per thread;
// zero where the system does not say.
std::uintptr_t stackLow()
{
    thread_local std::uintptr_t low = [] {
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) != 0)
            return std::uintptr_t(0);
        void *addr = nullptr;
        std::size_t size = 0;
        const bool ok = pthread_attr_getstack(&attr, &addr, &size) == 0;
        pthread_attr_destroy(&attr);
        return ok ? reinterpret_cast<std::uintptr_t>(addr) : std::uintptr_t(0);
    }();
    return low;
}

} // namespace

bool stackNearlyExhausted(std::size_t reserve)
{
    const std::uintptr_t low = stackLow();
    if (low == 0)
        return false;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return here < low + reserve;
}

} // namespace swf
