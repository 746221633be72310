// Writes a seeded, realistic data file: one URL per line with CR LF ends, about
// a third of the lines repeating an earlier one, about 60% holding the
// registration script followed by a query string, and some path segments in
// Shift-JIS. The same seed and count always give the same bytes.
//
// usage: kelvane-gen OUT [LINES] [SEED]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

class CUrlMaker {
public:
    explicit CUrlMaker(unsigned nSeed) : m_rng(nSeed) {}

    std::string Next() {
        std::string url = Pick({"http://", "http://", "https://"});
        url += Pick({"www.", "", "search.", "link."});
        url += Word(4, 10);
        url += Pick({".jp", ".co.jp", ".ne.jp", ".com", ".net", ".or.jp"});
        const int nDepth = Uniform(0, 3);
        for (int i = 0; i < nDepth; ++i) {
            url += '/';
            url += Chance(8) ? ShiftJisWord() : Word(3, 9);
        }
        url += Pick({"/cgi-bin", "/pernad", "/cgi-bin/pernad", "/link", ""});
        if (Chance(60)) {
            url += "/regist_pernad.cgi";
            url += "?mode=";
            url += Pick({"new", "new", "regist", "edit"});
            url += "&cat=";
            url += std::to_string(Uniform(1, 400));
            if (Chance(50)) {
                url += "&ref=";
                url += Word(3, 8);
            }
        } else {
            url += '/';
            url += Pick(
                {"index.html", "search.cgi?q=", "pernad.cgi", "regist.html", "link.cgi?page="});
            if (url.back() == '=')
                url += Word(2, 6);
        }
        return url;
    }

private:
    int Uniform(int nLow, int nHigh) {
        return std::uniform_int_distribution<int>(nLow, nHigh)(m_rng);
    }
    bool Chance(int nPercent) { return Uniform(1, 100) <= nPercent; }
    std::string Pick(std::initializer_list<std::string> choices) {
        return *(choices.begin() + Uniform(0, static_cast<int>(choices.size()) - 1));
    }
    std::string Word(int nMin, int nMax) {
        std::string word(static_cast<std::size_t>(Uniform(nMin, nMax)), 'a');
        for (char& c : word)
            c = static_cast<char>('a' + Uniform(0, 25));
        return word;
    }
    // Hiragana and katakana, two bytes each, some with trail bytes in the ASCII range.
    std::string ShiftJisWord() {
        std::string word;
        for (int i = Uniform(2, 4); i > 0; --i) {
            if (Chance(50)) {
                word += '\x82';
                word += static_cast<char>(Uniform(0x9F, 0xF1));
            } else {
                word += '\x83';
                int nTrail = Uniform(0x40, 0x96);
                if (nTrail == 0x7F)
                    nTrail = 0x80;
                word += static_cast<char>(nTrail);
            }
        }
        return word;
    }

    std::mt19937 m_rng;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvane-gen OUT [LINES] [SEED]\n");
        return 2;
    }
    const long nLines = argc > 2 ? std::atol(argv[2]) : 1000000;
    const unsigned nSeed = argc > 3 ? static_cast<unsigned>(std::atol(argv[3])) : 1;
    std::FILE* pOut = std::fopen(argv[1], "wb");
    if (pOut == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    CUrlMaker maker(nSeed);
    std::mt19937 rngRepeat(nSeed ^ 0x5EEDu);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(nLines));
    for (long i = 0; i < nLines; ++i) {
        if (!lines.empty() && rngRepeat() % 3 == 0)
            lines.push_back(lines[rngRepeat() % lines.size()]);
        else
            lines.push_back(maker.Next());
        std::fputs(lines.back().c_str(), pOut);
        std::fputs("\r\n", pOut);
    }
    return std::fclose(pOut) == 0 ? 0 : 1;
}
