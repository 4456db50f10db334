#include "alloc_trap.h"

#include <cerrno>
#include <cstddef>
#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

extern "C" {
void *__libc_malloc(size_t size);
void __libc_free(void *p);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void *__libc_memalign(size_t alignment, size_t size);
}

namespace sorrel::alloctrap {
namespace {

// Plain thread-locals of the executable: reading them never allocates.
thread_local bool watching = false;
thread_local Counts counts;

void noteAllocation() {
    if (watching)
        ++counts.allocations;
}
void noteFree() {
    if (watching)
        ++counts.frees;
}
void noteLock() {
    if (watching)
        ++counts.locks;
}

// The C library's own functions, found once.
template <typename Fn> Fn real(Fn &slot, const char *name) {
    if (slot == nullptr)
        slot = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    return slot;
}

} // namespace

void watch() {
    counts = Counts();
    watching = true;
}

Counts unwatch() {
    watching = false;
    return counts;
}

} // namespace sorrel::alloctrap

using namespace sorrel::alloctrap;

extern "C" {

__attribute__((visibility("default"))) void *malloc(size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}

__attribute__((visibility("default"))) void free(void *p) {
    if (p != nullptr)
        noteFree();
    __libc_free(p);
}

__attribute__((visibility("default"))) void *calloc(size_t count, size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}

__attribute__((visibility("default"))) void *realloc(void *p, size_t size) {
    noteAllocation();
    return __libc_realloc(p, size);
}

__attribute__((visibility("default"))) void *memalign(size_t alignment, size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}

__attribute__((visibility("default"))) void *aligned_alloc(size_t alignment, size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}

__attribute__((visibility("default"))) int posix_memalign(void **out, size_t alignment, size_t size) {
    noteAllocation();
    if (alignment < sizeof(void *) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void *p = __libc_memalign(alignment, size);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}

__attribute__((visibility("default"))) int pthread_mutex_lock(pthread_mutex_t *m) {
    static int (*fn)(pthread_mutex_t *);
    noteLock();
    return real(fn, "pthread_mutex_lock")(m);
}

__attribute__((visibility("default"))) int pthread_rwlock_rdlock(pthread_rwlock_t *l) {
    static int (*fn)(pthread_rwlock_t *);
    noteLock();
    return real(fn, "pthread_rwlock_rdlock")(l);
}

__attribute__((visibility("default"))) int pthread_rwlock_wrlock(pthread_rwlock_t *l) {
    static int (*fn)(pthread_rwlock_t *);
    noteLock();
    return real(fn, "pthread_rwlock_wrlock")(l);
}

__attribute__((visibility("default"))) int pthread_cond_wait(pthread_cond_t *c, pthread_mutex_t *m) {
    static int (*fn)(pthread_cond_t *, pthread_mutex_t *);
    noteLock();
    return real(fn, "pthread_cond_wait")(c, m);
}

__attribute__((visibility("default"))) int sem_wait(sem_t *s) {
    static int (*fn)(sem_t *);
    noteLock();
    return real(fn, "sem_wait")(s);
}

} // extern "C"
