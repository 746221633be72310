#pragma once
// A growable array of trivially copyable values kept in one malloc'd block.
// Growing goes through realloc, which lets large blocks move by remapping pages
// instead of copying them, so a list of a million rows never holds its bytes
// twice while it grows. Every size computation is checked: a request that
// cannot be represented throws std::bad_alloc like a failed allocation.

#include "rows/Pages.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

template <typename T> class CPodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    CPodArray() = default;
    CPodArray(const CPodArray&) = delete;
    CPodArray& operator=(const CPodArray&) = delete;
    CPodArray(CPodArray&& other) noexcept { Swap(other); }
    CPodArray& operator=(CPodArray&& other) noexcept {
        if (this != &other) {
            Free();
            Swap(other);
        }
        return *this;
    }
    ~CPodArray() { Free(); }

    std::size_t Size() const { return m_nSize; }
    bool Empty() const { return m_nSize == 0; }
    T* Data() { return m_pData; }
    const T* Data() const { return m_pData; }
    T& operator[](std::size_t i) { return m_pData[i]; }
    const T& operator[](std::size_t i) const { return m_pData[i]; }

    void Reserve(std::size_t nCapacity) {
        if (nCapacity <= m_nCapacity)
            return;
        CheckCount(nCapacity);
        void* p = std::realloc(m_pData, nCapacity * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        m_pData = static_cast<T*>(p);
        m_nCapacity = nCapacity;
    }

    // Replaces the content with n zero values, in a block the system hands over
    // already cleared, so that no value is written twice.
    void AssignZeroed(std::size_t n) {
        Free();
        if (n == 0)
            return;
        CheckCount(n);
        void* p = std::calloc(n, sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        m_pData = static_cast<T*>(p);
        m_nSize = m_nCapacity = n;
        AskForHugePages();
        Prefault(n);
    }

    // Room for nMore further values, growing by half again so appends stay amortised.
    void Grow(std::size_t nMore) {
        if (nMore > std::numeric_limits<std::size_t>::max() - m_nSize)
            throw std::bad_alloc();
        const std::size_t nNeed = m_nSize + nMore;
        if (nNeed <= m_nCapacity)
            return;
        std::size_t nNew = m_nCapacity + m_nCapacity / 2;
        if (nNew < m_nCapacity || nNew < nNeed)
            nNew = nNeed;
        if (nNew < 16)
            nNew = 16;
        Reserve(nNew);
    }

    void Append(const T* p, std::size_t n) {
        if (n == 0)
            return;
        Grow(n);
        Prefault(m_nSize + n);
        std::memcpy(m_pData + m_nSize, p, n * sizeof(T));
        m_nSize += n;
    }
    void PushBack(const T& v) {
        Grow(1);
        Prefault(m_nSize + 1);
        m_pData[m_nSize++] = v;
    }
    // Values past the new size are forgotten; the block keeps its capacity.
    void Truncate(std::size_t n) {
        if (n < m_nSize)
            m_nSize = n;
    }
    // Forgets every value and gives the block back.
    void Free() {
        std::free(m_pData);
        m_pData = nullptr;
        m_nSize = m_nCapacity = m_nPrefaulted = 0;
    }
    void Swap(CPodArray& other) noexcept {
        std::swap(m_pData, other.m_pData);
        std::swap(m_nSize, other.m_nSize);
        std::swap(m_nCapacity, other.m_nCapacity);
        std::swap(m_nPrefaulted, other.m_nPrefaulted);
    }

private:
    // No object may be larger than the largest pointer difference.
    static void CheckCount(std::size_t n) {
        if (n > static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(T))
            throw std::bad_alloc();
    }

    // A large block filled all at once (the unique index) takes a huge page at a time where
    // the system has them: a fault of 4 KB costs nearly as much as one of 2 MB.
    void AskForHugePages() {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (m_nCapacity * sizeof(T) >= 2 * kHugePageBytes)
            AdviseWholePages(m_pData, m_pData + m_nCapacity, MADV_HUGEPAGE);
#endif
    }

    // Asks the system for the pages that the values up to nEnd will fill, a
    // stretch ahead at a time: one call for 64 KB costs far less than the 16
    // page faults it saves, and at most one stretch is taken before it is used.
    void Prefault([[maybe_unused]] std::size_t nEnd) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        if (nEnd <= m_nPrefaulted)
            return;
        constexpr std::size_t kStretch = (64 * 1024) / sizeof(T);
        const std::size_t nTo = std::min(m_nCapacity, nEnd + kStretch);
        // Small blocks live in the heap, where the pages are mostly there already.
        if (m_nCapacity >= 4 * kStretch)
            PopulatePages(m_pData + m_nPrefaulted, m_pData + nTo);
        m_nPrefaulted = nTo;
#endif
    }

    T* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
    std::size_t m_nPrefaulted = 0; // values whose pages were asked for ahead
};
