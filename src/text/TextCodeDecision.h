#pragma once
// How a data file's bytes are to be read, decided in the pass that reads them:
// a UTF-8 byte-order mark, or a rule other than Auto, decides at once; UTF-16
// shows in the first bytes; else the whole file decides, UTF-8 when it is valid
// UTF-8 with a character beyond ASCII.

#include "text/TextCode.h"
#include "text/Utf8Check.h"

#include <cstddef>
#include <optional>
#include <string_view>

class CTextCodeDecision {
public:
    explicit CTextCodeDecision(EEncodingRule rule) : m_rule(rule) {}

    // How many first bytes Begin wants to see, where the data has that many: a byte-order
    // mark is three, and UTF-16 shows in the first 64.
    static constexpr std::size_t kBytesWanted = 64;
    // Looks at how the data begins; returns how many of these bytes are a byte-order
    // mark, which is not text. After it, IsUtf16 says whether the data can be read at all.
    std::size_t Begin(std::string_view first);
    // The text, block by block, up to where it ends (a 0x1A included).
    void Feed(std::string_view block) {
        if (BytesDecide() && !m_check.Invalid())
            m_check.Feed(block);
    }
    // The data has ended: Code is final.
    void End();

    bool IsUtf16() const { return m_bUtf16; }
    ETextCode Code() const { return m_code; }
    // What the bytes fed so far may be searched by before the end decides: the code, once
    // the rule, the mark or bytes that cannot be UTF-8 have settled it; ANSI while every
    // byte is ASCII, which reads alike in every code; nothing while they are valid UTF-8
    // with a character beyond ASCII, which the rest of the data may still make ANSI.
    std::optional<ETextCode> CodeSoFar() const {
        if (m_bEnded || !BytesDecide() || m_check.Invalid() || !m_check.SawMultibyte())
            return m_code;
        return std::nullopt;
    }

private:
    // Only the Auto rule without a byte-order mark leaves the code to the bytes.
    bool BytesDecide() const { return m_rule == EEncodingRule::Auto && m_code == ETextCode::Ansi; }

    const EEncodingRule m_rule;
    CUtf8Check m_check;
    ETextCode m_code = ETextCode::Ansi;
    bool m_bUtf16 = false;
    bool m_bEnded = false;
};
