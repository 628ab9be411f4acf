#pragma once
// A fixed-capacity buffer for the few big allocations of reading a snapshot (the file's bytes, the
// decoded tree). Large buffers are mapped directly and advised to use huge pages, so filling a few
// megabytes costs a handful of page faults instead of thousands; pages never touched cost nothing.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

namespace platform::foundation {

/// Whether a large buffer asks for transparent huge pages.
enum class Pages { ordinary, huge };

namespace large_memory {
constexpr std::size_t hugePage = 2 * 1024 * 1024;
constexpr std::size_t pageSize = 4096;
inline std::size_t roundedUp(std::size_t bytes, std::size_t to) { return (bytes + to - 1) & ~(to - 1); }
} // namespace large_memory

/// Maps `bytes` of zeroed memory starting on a 2 MiB boundary, advised to use transparent huge pages
/// when `pages` asks (huge pages only back aligned 2 MiB extents, so a little more is mapped and the
/// aligned range kept). Null when the system refuses. Release with `unmapLargeRegion`.
inline void* mapLargeRegion(std::size_t bytes, Pages pages) {
    using namespace large_memory;
    const std::size_t length = roundedUp(bytes, pageSize);
    const std::size_t mapped = length + hugePage;
    void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t aligned = roundedUp(start, hugePage);
    if (aligned > start) ::munmap(memory, aligned - start);
    const std::uintptr_t end = aligned + length;
    if (start + mapped > end) ::munmap(reinterpret_cast<void*>(end), start + mapped - end);
#ifdef MADV_HUGEPAGE
    if (pages == Pages::huge) ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
#else
    (void)pages;
#endif
    return reinterpret_cast<void*>(aligned);
}

/// Releases a region of `bytes` that `mapLargeRegion` made.
inline void unmapLargeRegion(void* start, std::size_t bytes) {
    ::munmap(start, large_memory::roundedUp(bytes, large_memory::pageSize));
}

template <class T> class LargeBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    LargeBuffer() = default;
    /// Room for `capacity` elements, uninitialised (mapped pages read as zero). Ask for huge pages
    /// only where most of the buffer will be filled: each one touched is zeroed whole.
    explicit LargeBuffer(std::size_t capacity, Pages pages = Pages::huge) : capacity_(capacity) {
        const std::size_t bytes = capacity * sizeof(T);
        if (bytes >= mappedThreshold) {
            data_ = static_cast<T*>(mapLargeRegion(bytes, pages));
            if (!data_) throw std::bad_alloc();
            mapped_ = true;
        } else {
            data_ = static_cast<T*>(::operator new(bytes == 0 ? 1 : bytes));
        }
    }
    LargeBuffer(LargeBuffer&& other) noexcept { swap(other); }
    LargeBuffer& operator=(LargeBuffer&& other) noexcept {
        LargeBuffer(std::move(other)).swap(*this);
        return *this;
    }
    ~LargeBuffer() {
        if (!data_) return;
        if (mapped_) {
            unmapLargeRegion(data_, capacity_ * sizeof(T));
        } else {
            ::operator delete(data_);
        }
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    static constexpr std::size_t mappedThreshold = 512 * 1024;
    void swap(LargeBuffer& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(capacity_, other.capacity_);
        std::swap(mapped_, other.mapped_);
    }
    T* data_ = nullptr;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
};

} // namespace platform::foundation
