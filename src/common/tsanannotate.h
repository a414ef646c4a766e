#pragma once
// Happens-before annotations for ThreadSanitizer builds; nothing otherwise.
// Debian's Qt is not instrumented, so TSan cannot see that a value copied
// into a queued signal in one thread is read in another only after Qt's
// queue lock. The records release at the end of every copy and acquire from
// their source at the start, which makes each hand-over exact.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#define KELVO_TSAN_ACQUIRE(p) __tsan_acquire(const_cast<void *>(static_cast<const void *>(p)))
#define KELVO_TSAN_RELEASE(p) __tsan_release(const_cast<void *>(static_cast<const void *>(p)))
#else
#define KELVO_TSAN_ACQUIRE(p) ((void)0)
#define KELVO_TSAN_RELEASE(p) ((void)0)
#endif
