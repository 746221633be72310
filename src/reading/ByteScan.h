#pragma once
// Finds every place of one byte value in a block in a single pass. Where SSE2
// is there (every x86-64), 64 bytes are compared a step and the places are
// read off a bit mask, so a block of short lines costs no call per line.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Calls onPlace(std::size_t) with the index of every byte of block equal to chByte, in order.
template <typename OnPlace>
void ForEachByte(std::string_view block, char chByte, OnPlace&& onPlace) {
    const char* const pBlock = block.data();
    const std::size_t nSize = block.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(chByte);
    auto maskOf = [&](std::size_t nAt) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBlock + nAt));
        return static_cast<std::uint64_t>(
            static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
    };
    for (; i + 64 <= nSize; i += 64) {
        std::uint64_t nMask =
            maskOf(i) | maskOf(i + 16) << 16 | maskOf(i + 32) << 32 | maskOf(i + 48) << 48;
        for (; nMask != 0; nMask &= nMask - 1)
            onPlace(i + static_cast<std::size_t>(__builtin_ctzll(nMask)));
    }
#endif
    while (i < nSize) {
        const void* pFound = std::memchr(pBlock + i, chByte, nSize - i);
        if (pFound == nullptr)
            break;
        const auto nPlace = static_cast<std::size_t>(static_cast<const char*>(pFound) - pBlock);
        onPlace(nPlace);
        i = nPlace + 1;
    }
}
