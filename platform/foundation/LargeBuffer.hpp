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

template <class T> class LargeBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    LargeBuffer() = default;
    /// Room for `capacity` elements, uninitialised (mapped pages read as zero). Ask for huge pages
    /// only where most of the buffer will be filled: each one touched is zeroed whole.
    explicit LargeBuffer(std::size_t capacity, Pages pages = Pages::huge) : capacity_(capacity) {
        const std::size_t bytes = capacity * sizeof(T);
        if (bytes >= mappedThreshold) {
            // Huge pages only back aligned 2 MiB extents: map a little more, keep an aligned range.
            const std::size_t mapped = bytes + hugePage;
            void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (memory == MAP_FAILED) throw std::bad_alloc();
            const auto start = reinterpret_cast<std::uintptr_t>(memory);
            const std::uintptr_t aligned = (start + hugePage - 1) & ~(hugePage - 1);
            if (aligned > start) ::munmap(memory, aligned - start);
            const std::uintptr_t end = aligned + roundedUp(bytes);
            if (start + mapped > end) ::munmap(reinterpret_cast<void*>(end), start + mapped - end);
#ifdef MADV_HUGEPAGE
            if (pages == Pages::huge) ::madvise(reinterpret_cast<void*>(aligned), roundedUp(bytes), MADV_HUGEPAGE);
#endif
            data_ = reinterpret_cast<T*>(aligned);
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
            ::munmap(data_, roundedUp(capacity_ * sizeof(T)));
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
    static constexpr std::size_t hugePage = 2 * 1024 * 1024;
    static constexpr std::size_t pageSize = 4096;
    static std::size_t roundedUp(std::size_t bytes) { return (bytes + pageSize - 1) & ~(pageSize - 1); }
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
