#pragma once

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace orbpix {

// Marks a call into a library that hands work between threads of its own through locks
// ThreadSanitizer cannot see (Qt is not built for it: its mutexes and semaphores wait on
// futexes directly). In a ThreadSanitizer build, what this thread does during the object's
// life is left unchecked; everything before and after, our own code, is checked as always.
// Elsewhere it does nothing.
class UncheckedWork {
public:
#if defined(__SANITIZE_THREAD__)
    UncheckedWork() {
        __tsan_ignore_thread_begin();
    }
    ~UncheckedWork() {
        __tsan_ignore_thread_end();
    }
#else
    UncheckedWork() = default;
#endif
    UncheckedWork(const UncheckedWork&) = delete;
    UncheckedWork& operator=(const UncheckedWork&) = delete;
};

}  // namespace orbpix
