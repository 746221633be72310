#include "jobs/MarkerSearch.h"

#include <gtest/gtest.h>

#include <random>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The rule stated plainly: walk the text one character at a time and compare at each.
std::optional<std::size_t> FindByWalking(std::string_view text, std::string_view marker,
                                         const CLeadByteRule& rule) {
    for (std::size_t nPos = 0;;) {
        if (text.size() - nPos >= marker.size() && text.substr(nPos, marker.size()) == marker)
            return nPos;
        if (nPos >= text.size())
            return std::nullopt;
        nPos +=
            rule.IsLead(static_cast<unsigned char>(text[nPos])) && nPos + 1 < text.size() ? 2 : 1;
    }
}

// The fast search must agree with the plain walk on texts dense in lead bytes, where
// letters come in both cases.
TEST(MarkerSearch, AgreesWithTheCharacterWalk) {
    std::mt19937 rng(20261206);
    const char kAlphabet[] = {'\x82', '\x81', '\x60', 'r', 'R', 'a', '\xE0', '\xFC', '\xB1'};
    auto randomText = [&](std::size_t nMax) {
        std::string str(rng() % nMax, ' ');
        for (char& c : str)
            c = kAlphabet[rng() % sizeof kAlphabet];
        return str;
    };
    for (const CLeadByteRule& rule : {CLeadByteRule::Cp932(), CLeadByteRule()})
        for (int i = 0; i < 20000; ++i) {
            const std::string text = randomText(64);
            const std::string marker = randomText(4);
            ASSERT_EQ(CMarkerSearch(marker, rule).Find(text), FindByWalking(text, marker, rule))
                << testing::PrintToString(text) << " / " << testing::PrintToString(marker);
        }
}

#ifdef _WIN32
// Under Japanese Windows (and Wine with a Japanese locale) the system's rule is code page
// 932's. Elsewhere System() is Cp932() itself.
TEST(LeadByteRule, SystemRuleOnJapaneseSystems) {
    if (::GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << ::GetACP();
    const CLeadByteRule system = CLeadByteRule::System();
    const CLeadByteRule cp932 = CLeadByteRule::Cp932();
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(system.IsLead(static_cast<unsigned char>(b)),
                  cp932.IsLead(static_cast<unsigned char>(b)))
            << b;
}
#endif

} // namespace
