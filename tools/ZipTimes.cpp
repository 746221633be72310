// Sets the access and change times that a zip's "UT" extra fields carry to the
// entry's modification time, in place, so that a zip made from the same files
// is the same bytes whenever it is made. cmake -E tar takes those two times from
// the files on disk, and the change time cannot be set there.
// usage: zip-times FILE.zip
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::uint32_t Get(const std::vector<unsigned char>& z, std::size_t at, int nBytes) {
    std::uint32_t n = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        n = n << 8 | z.at(at + static_cast<std::size_t>(i));
    return n;
}

// The extra fields from at, nLength bytes: each UT field gets mtime in all its times.
void FixExtra(std::vector<unsigned char>& z, std::size_t at, std::size_t nLength) {
    for (std::size_t i = at; i + 4 <= at + nLength;) {
        const std::uint32_t nTag = Get(z, i, 2);
        const std::size_t nSize = Get(z, i + 2, 2);
        if (nTag == 0x5455 && nSize >= 5 && (z.at(i + 4) & 1) != 0)
            for (std::size_t t = i + 9; t + 4 <= i + 4 + nSize; t += 4)
                for (int b = 0; b < 4; ++b)
                    z.at(t + static_cast<std::size_t>(b)) =
                        z.at(i + 5 + static_cast<std::size_t>(b));
        i += 4 + nSize;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: zip-times FILE.zip\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<unsigned char> z((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
    in.close();
    // The end record is the last 22 bytes: the zip has no comment.
    if (z.size() < 22 || Get(z, z.size() - 22, 4) != 0x06054b50) {
        std::fputs("zip-times: no end record where one was expected\n", stderr);
        return 1;
    }
    const std::size_t nEntries = Get(z, z.size() - 22 + 10, 2);
    std::size_t at = Get(z, z.size() - 22 + 16, 4);
    for (std::size_t n = 0; n < nEntries; ++n) {
        if (Get(z, at, 4) != 0x02014b50) {
            std::fputs("zip-times: a central entry is not where expected\n", stderr);
            return 1;
        }
        const std::size_t nName = Get(z, at + 28, 2);
        const std::size_t nExtra = Get(z, at + 30, 2);
        const std::size_t nComment = Get(z, at + 32, 2);
        const std::size_t nLocal = Get(z, at + 42, 4);
        FixExtra(z, at + 46 + nName, nExtra);
        if (Get(z, nLocal, 4) == 0x04034b50)
            FixExtra(z, nLocal + 30 + Get(z, nLocal + 26, 2), Get(z, nLocal + 28, 2));
        at += 46 + nName + nExtra + nComment;
    }
    std::ofstream(argv[1], std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(z.data()), static_cast<std::streamsize>(z.size()));
    return 0;
}
