// The tool's global allocation functions. Reading a 4 MiB snapshot makes a few multi-megabyte
// allocations (the parser's index of structural characters and its string buffer, the rendered
// output); backed by ordinary 4 KiB pages each of them costs a thousand page faults, which is most
// of the tool's run time. Here blocks of 1 MiB and more are mapped 2 MiB-aligned and advised to use
// transparent huge pages, so they fault in a few 2 MiB steps; untouched pages still cost nothing.
// Everything smaller goes to malloc as usual. The tool is single-threaded; the registry of large
// blocks is small and only this file touches it. Sanitizer builds keep their own allocator.
#include "platform/foundation/LargeBuffer.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TALLYFOX_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TALLYFOX_SANITIZED 1
#endif

#ifndef TALLYFOX_SANITIZED

namespace {

using platform::foundation::mapLargeRegion;
using platform::foundation::Pages;
using platform::foundation::unmapLargeRegion;

constexpr std::size_t largeThreshold = 1024 * 1024;

struct Block {
    void* start = nullptr;
    std::size_t length = 0;
};
constexpr int registrySize = 32;
Block registry[registrySize];

void* mapLarge(std::size_t bytes) {
    int slot = 0;
    while (slot < registrySize && registry[slot].start) ++slot;
    if (slot == registrySize) return nullptr;
    void* start = mapLargeRegion(bytes, Pages::huge);
    if (start) registry[slot] = Block{start, bytes};
    return start;
}

bool unmapLarge(void* pointer) {
    for (Block& block : registry) {
        if (block.start == pointer) {
            unmapLargeRegion(block.start, block.length);
            block = Block{};
            return true;
        }
    }
    return false;
}

void* allocate(std::size_t bytes) noexcept {
    if (bytes >= largeThreshold) {
        if (void* large = mapLarge(bytes)) return large;
    }
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void release(void* pointer) noexcept {
    if (!pointer) return;
    if (!unmapLarge(pointer)) std::free(pointer);
}

} // namespace

void* operator new(std::size_t bytes) {
    if (void* p = allocate(bytes)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) {
    if (void* p = allocate(bytes)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return allocate(bytes); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

#endif
