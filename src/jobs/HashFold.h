#pragma once
// Both halves of a 64 × 64-bit product folded together: one multiplication
// stirs every bit of a into every bit of the result. The unique index's hash
// is built on it.

#include <cstdint>

// The same from four 32-bit products, for compilers without a 128-bit integer
// (the i686 build).
inline std::uint64_t FoldByHalves(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t nHa = a >> 32, nLa = a & 0xffffffffu;
    const std::uint64_t nHb = b >> 32, nLb = b & 0xffffffffu;
    const std::uint64_t nHi = nHa * nHb, nMid0 = nHa * nLb, nMid1 = nLa * nHb, nLo = nLa * nLb;
    const std::uint64_t nSum = nLo + (nMid0 << 32);
    const std::uint64_t nLow = nSum + (nMid1 << 32);
    const std::uint64_t nHigh =
        nHi + (nMid0 >> 32) + (nMid1 >> 32) + (nSum < nLo ? 1 : 0) + (nLow < nSum ? 1 : 0);
    return nLow ^ nHigh;
}

inline std::uint64_t Fold(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    __extension__ using Wide = unsigned __int128;
    const Wide r = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
#else
    return FoldByHalves(a, b);
#endif
}
