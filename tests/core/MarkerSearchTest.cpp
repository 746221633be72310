#include "data/MarkerSearch.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr std::string_view kMarker = "regist_pernad.cgi";
constexpr std::size_t kNone = std::string_view::npos;

struct SFindCase {
    const char* pszName;
    std::string text;
    std::string_view marker;
    std::size_t nExpected; // kNone: no match
};

const SFindCase kFindCases[] = {
    {"query string follows", "abc/regist_pernad.cgi?mode=new", kMarker, 4},
    {"ends with marker", "abc/regist_pernad.cgi", kMarker, 4},
    {"marker twice", "regist_pernad.cgi/regist_pernad.cgi", kMarker, 0},
    {"other case", "abc/REGIST_PERNAD.CGI", kMarker, kNone},
    {"no marker", "http://example.jp/index.html", kMarker, kNone},
    {"empty row", "", kMarker, kNone},
    {"empty marker", "anything", "", 0},
    // 0x82 leads a pair, so the 'r' after it is a trail byte and no match starts there.
    {"after a lone lead byte", "\x82regist_pernad.cgi", kMarker, kNone},
    {"after a whole pair", "\x82\x60regist_pernad.cgi", kMarker, 2},
    {"trail byte that looks like a lead", "\x82\x82regist_pernad.cgi", kMarker, 2},
    {"three lead bytes", "\x82\x82\x82regist_pernad.cgi", kMarker, kNone},
    {"rejected then found", "\x82regist_pernad.cgi/regist_pernad.cgi", kMarker, 19},
    {"half-width kana are single", "\xB1regist_pernad.cgi", kMarker, 1},
    {"pair made of the marker's bytes", "\x81r", "r", kNone},
    {"marker of double-byte characters", "a\x83\x65\x83\x58", "\x83\x58", 3},
    {"marker inside another pair", "\x83\x83\x58", "\x83\x58", kNone},
};

TEST(FindMarker, Cp932Cases) {
    const CLeadByteRule rule = CLeadByteRule::Cp932();
    for (const SFindCase& c : kFindCases) {
        const std::optional<std::size_t> expected =
            c.nExpected == kNone ? std::nullopt : std::optional(c.nExpected);
        EXPECT_EQ(FindMarker(c.text, c.marker, rule), expected) << c.pszName;
        EXPECT_EQ(FindMarkerByWalking(c.text, c.marker, rule), expected) << c.pszName;
    }
}

TEST(FindMarker, SingleByteCodePageMatchesAnywhere) {
    EXPECT_EQ(FindMarker("\x82regist_pernad.cgi", kMarker, CLeadByteRule()), 1u);
}

// The fast search must agree with the plain character walk on texts dense in lead bytes.
TEST(FindMarker, AgreesWithTheCharacterWalk) {
    std::mt19937 rng(20261206);
    const char kAlphabet[] = {'\x82', '\x81', '\x60', 'r', 'a', '\xE0', '\xFC', '\xB1'};
    auto randomText = [&](std::size_t nMax) {
        std::string str(rng() % nMax, ' ');
        for (char& c : str)
            c = kAlphabet[rng() % sizeof kAlphabet];
        return str;
    };
    for (const CLeadByteRule& rule : {CLeadByteRule::Cp932(), CLeadByteRule()}) {
        for (int i = 0; i < 20000; ++i) {
            const std::string text = randomText(24);
            const std::string marker = randomText(4);
            ASSERT_EQ(FindMarker(text, marker, rule), FindMarkerByWalking(text, marker, rule))
                << testing::PrintToString(text) << " / " << testing::PrintToString(marker);
        }
    }
}

// Under Japanese Windows (and Wine with a Japanese locale) the system's rule is code page 932's.
TEST(LeadByteRule, SystemRuleOnJapaneseSystems) {
#ifdef _WIN32
    if (GetACP() != 932)
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
#endif
    const CLeadByteRule system = CLeadByteRule::System();
    const CLeadByteRule cp932 = CLeadByteRule::Cp932();
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(system.IsLead(static_cast<unsigned char>(b)),
                  cp932.IsLead(static_cast<unsigned char>(b)))
            << b;
}

} // namespace
