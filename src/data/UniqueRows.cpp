#include "UniqueRows.h"

#include "HashFold.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint64_t kP0 = 0xa0761d6478bd642full;
constexpr std::uint64_t kP1 = 0xe7037ed1a0b428dbull;
constexpr std::uint64_t kP2 = 0x8ebc6af09c88c6e3ull;

std::uint64_t Read8(const unsigned char* p) {
    std::uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

std::uint64_t Read4(const unsigned char* p) {
    std::uint32_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

} // namespace

// A multiply-and-fold hash over 16 bytes a step. It reads each row once and
// takes little more than half the time of the library's byte hash on URL-length
// rows, which is a good part of the cost of telling rows apart.
std::uint64_t CUniqueRows::HashOf(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t nLength = text.size();
    std::uint64_t nSeed = kP0 ^ nLength;
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (nLength <= 16) {
        if (nLength >= 4) {
            const std::size_t nStep = (nLength >> 3) << 2;
            a = (Read4(p) << 32) | Read4(p + nStep);
            b = (Read4(p + nLength - 4) << 32) | Read4(p + nLength - 4 - nStep);
        } else if (nLength > 0) {
            a = (std::uint64_t(p[0]) << 16) | (std::uint64_t(p[nLength >> 1]) << 8) |
                p[nLength - 1];
        }
    } else {
        std::size_t nLeft = nLength;
        for (; nLeft > 16; nLeft -= 16, p += 16)
            nSeed = Fold(Read8(p) ^ kP1, Read8(p + 8) ^ nSeed);
        // The last 16 bytes, which may overlap the step before.
        a = Read8(p + nLeft - 16);
        b = Read8(p + nLeft - 8);
    }
    return Fold(kP2 ^ nLength, Fold(a ^ kP1, b ^ nSeed));
}

std::size_t CUniqueRows::SlotsFor(std::size_t nRows) const {
    // Keep the table at most half full so probe runs stay short.
    std::size_t nSlots = m_arrSlots.Size() == 0 ? 1024 : m_arrSlots.Size();
    while (nRows > nSlots / 2) {
        if (nSlots > (std::size_t(-1) >> 2) / sizeof(SSlot))
            throw std::bad_alloc();
        nSlots *= 2;
    }
    return nSlots;
}

void CUniqueRows::GrowFor(const CRowList& rows, std::size_t nRows) {
    const std::size_t nSlots = SlotsFor(nRows);
    if (nSlots != m_arrSlots.Size())
        Rehash(rows, nSlots);
}

void CUniqueRows::Reserve(std::size_t nRows) {
    // With nothing kept there is nothing to move into the larger table.
    const std::size_t nSlots = SlotsFor(nRows);
    if (m_nKept == 0 && nSlots != m_arrSlots.Size())
        m_arrSlots.AssignZeroed(nSlots);
}

bool CUniqueRows::AddHashed(const CRowList& rows, std::size_t nRow, std::uint64_t nHash) {
    const std::string_view text = rows.Row(nRow);
    if (text.size() > kMaxLength)
        throw std::bad_alloc();
    const std::uint64_t nKey = KeyOf(nHash, text.size());
    const std::size_t nMask = m_arrSlots.Size() - 1;
    const char* pBytes = rows.Bytes();
    std::size_t nSlot = SlotOf(nHash);
    for (; m_arrSlots[nSlot].nKey != 0; nSlot = (nSlot + 1) & nMask) {
        const SSlot& slot = m_arrSlots[nSlot];
        if (slot.nKey == nKey && std::string_view(pBytes + slot.nOffset, text.size()) == text)
            return false;
    }
    m_arrSlots[nSlot] = SSlot{static_cast<std::uint64_t>(text.data() - pBytes), nKey};
    ++m_nKept;
    return true;
}

std::size_t CUniqueRows::AddAll(const CRowList& rows, std::size_t nFirst, std::size_t nEnd,
                                std::uint32_t* pKept) {
    // Three passes over a group of rows: fetch their home slots, then the kept
    // bytes those slots point to, then look each row up, by then mostly in cache.
    constexpr std::size_t kGroup = 16;
    // Kept rows are told by a 32-bit index; the row figure never counts further.
    if constexpr (sizeof(std::size_t) > sizeof(std::uint32_t))
        if (nEnd > UINT32_MAX)
            throw std::bad_alloc();
    std::uint64_t arrHash[kGroup];
    std::size_t nKept = 0;
    for (std::size_t nGroupFirst = nFirst; nGroupFirst < nEnd; nGroupFirst += kGroup) {
        const std::size_t nGroup = std::min(kGroup, nEnd - nGroupFirst);
        GrowFor(rows, m_nKept + nGroup); // the slots fetched below stay where they are
        for (std::size_t i = 0; i < nGroup; ++i) {
            arrHash[i] = HashOf(rows.Row(nGroupFirst + i));
            __builtin_prefetch(&m_arrSlots[SlotOf(arrHash[i])]);
        }
        for (std::size_t i = 0; i < nGroup; ++i) {
            const SSlot& slot = m_arrSlots[SlotOf(arrHash[i])];
            if (slot.nKey == KeyOf(arrHash[i], rows.Row(nGroupFirst + i).size())) {
                // By address, as the list may hold no bytes at all; the second cache line too.
                const auto nAddress = reinterpret_cast<std::uintptr_t>(rows.Bytes()) +
                                      static_cast<std::uintptr_t>(slot.nOffset);
                __builtin_prefetch(reinterpret_cast<const void*>(nAddress));
                __builtin_prefetch(reinterpret_cast<const void*>(nAddress + 64));
            }
        }
        for (std::size_t i = 0; i < nGroup; ++i)
            if (AddHashed(rows, nGroupFirst + i, arrHash[i]))
                pKept[nKept++] = static_cast<std::uint32_t>(nGroupFirst + i);
    }
    return nKept;
}

void CUniqueRows::Rehash(const CRowList& rows, std::size_t nSlots) {
    CPodArray<SSlot> arrSlots;
    arrSlots.AssignZeroed(nSlots);
    const std::size_t nMask = nSlots - 1;
    for (std::size_t nOld = 0; nOld < m_arrSlots.Size(); ++nOld) {
        const SSlot& slot = m_arrSlots[nOld];
        if (slot.nKey == 0)
            continue;
        const auto nLength =
            static_cast<std::size_t>((slot.nKey & ((std::uint64_t(1) << kLengthBits) - 1)) - 1);
        const std::uint64_t nHash = HashOf({rows.Bytes() + slot.nOffset, nLength});
        std::size_t nSlot = static_cast<std::size_t>(nHash) & nMask;
        while (arrSlots[nSlot].nKey != 0)
            nSlot = (nSlot + 1) & nMask;
        arrSlots[nSlot] = slot;
    }
    m_arrSlots.Swap(arrSlots);
}

void CUniqueRows::Clear() {
    m_nKept = 0;
    m_arrSlots.Free();
}
