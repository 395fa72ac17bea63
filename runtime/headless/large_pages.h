// Allocator for the text of large text boxes: big blocks come straight from
// the kernel as transparent-huge-page backed mappings.
//
// A net list of 100 MB becomes a text box of about that size. With 4 KiB pages
// the growing text takes one page fault per page, and each reallocation faults
// the whole new block in again; on virtual machines faults are expensive and
// dominated conversion time. Asking for huge pages on blocks of 2 MiB and more
// cuts the faults by a factor of 512. Where huge pages are unavailable the
// mapping simply uses normal pages.
#ifndef UIRT_HEADLESS_LARGE_PAGES_H
#define UIRT_HEADLESS_LARGE_PAGES_H

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

namespace uirt::headless {

template <class T>
struct LargePageAllocator {
    using value_type = T;
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;

    LargePageAllocator() = default;
    template <class U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    static std::size_t mappedSize(std::size_t n) { return (n * sizeof(T) + kHugePage - 1) & ~(kHugePage - 1); }
    static bool isLarge(std::size_t n) { return n * sizeof(T) >= kHugePage; }

    T* allocate(std::size_t n) {
        if (!isLarge(n)) {
            if (void* p = std::malloc(n * sizeof(T))) return static_cast<T*>(p);
            throw std::bad_alloc();
        }
        void* p = mmap(nullptr, mappedSize(n), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        madvise(p, mappedSize(n), MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept {
        if (isLarge(n))
            munmap(p, mappedSize(n));
        else
            std::free(p);
    }

    template <class U>
    bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

// Byte string whose large buffers use the allocator above.
using LargeText = std::basic_string<char, std::char_traits<char>, LargePageAllocator<char>>;

}  // namespace uirt::headless

#endif  // UIRT_HEADLESS_LARGE_PAGES_H
