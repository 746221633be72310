#pragma once
// Advice to the system about the pages of a block, where it takes such advice (Linux).

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// The size of a huge page, where the system has them.
inline constexpr std::size_t kHugePageBytes = 2 << 20;

#if defined(__linux__)
inline constexpr std::uintptr_t kPageBytes = 4096;

// The start of the page that holds the byte at p.
inline std::uintptr_t PageStart(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) & ~(kPageBytes - 1);
}

// Advice that changes what pages hold or how they are kept: only the whole pages inside
// the block are named, so that nothing around it is touched.
inline void AdviseWholePages(const void* pBegin, const void* pEnd, int nAdvice) {
    const std::uintptr_t nBegin = PageStart(static_cast<const char*>(pBegin) + kPageBytes - 1);
    const std::uintptr_t nEnd = PageStart(pEnd);
    if (nBegin < nEnd)
        ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, nAdvice);
}

#if defined(MADV_POPULATE_WRITE)
// Makes the pages that hold the bytes [pBegin, pEnd) writable now, in one call instead of
// a page fault each; the bytes stay as they are, so a page shared with a neighbour may be
// named too.
inline void PopulatePages(const void* pBegin, const void* pEnd) {
    const std::uintptr_t nBegin = PageStart(pBegin);
    const auto nEnd = reinterpret_cast<std::uintptr_t>(pEnd);
    if (nBegin < nEnd)
        ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, MADV_POPULATE_WRITE);
}
#endif
#endif
