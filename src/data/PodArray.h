#pragma once
// A growable array of trivially copyable values kept in one malloc'd block.
// Growing goes through realloc, which lets large blocks move by remapping pages
// instead of copying them, so a list of a million rows never holds its bytes
// twice while it grows. Every size computation is checked: a request that
// cannot be represented throws std::bad_alloc like a failed allocation.

#include <cstddef>
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
        if (nCapacity > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_alloc();
        void* p = std::realloc(m_pData, nCapacity * sizeof(T));
        if (p == nullptr)
            throw std::bad_alloc();
        m_pData = static_cast<T*>(p);
        m_nCapacity = nCapacity;
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
        std::memcpy(m_pData + m_nSize, p, n * sizeof(T));
        m_nSize += n;
    }
    void PushBack(const T& v) {
        Grow(1);
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
        m_nSize = m_nCapacity = 0;
    }
    void Swap(CPodArray& other) noexcept {
        std::swap(m_pData, other.m_pData);
        std::swap(m_nSize, other.m_nSize);
        std::swap(m_nCapacity, other.m_nCapacity);
    }

private:
    T* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};
