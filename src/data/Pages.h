#pragma once
// Advice to the system about the pages of a block, where it takes such advice (Linux).
// Only the whole pages inside the block are named, so that nothing around it is touched.

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// The size of a huge page, where the system has them.
inline constexpr std::size_t kHugePageBytes = 2 << 20;

#if defined(__linux__)
inline void AdviseWholePages(const void* pBegin, const void* pEnd, int nAdvice) {
    constexpr std::uintptr_t kPage = 4096;
    const std::uintptr_t nBegin =
        (reinterpret_cast<std::uintptr_t>(pBegin) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t nEnd = reinterpret_cast<std::uintptr_t>(pEnd) & ~(kPage - 1);
    if (nBegin < nEnd)
        ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, nAdvice);
}
#endif
