#include "reading/ByteSource.h"
#include "saving/PathText.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <climits>

std::unique_ptr<CFileSource> CFileSource::Open(const std::filesystem::path& path) {
    // Opening a folder fails on Windows, so no check is needed first.
    return FromOpened(_wfopen(LongPathForm(path).c_str(), L"rb"));
}

std::unique_ptr<CFileSource> CFileSource::Stdin() {
    // Text mode would turn CR LF into LF and stop at 0x1A before the reading rules see them.
    _setmode(_fileno(stdin), _O_BINARY);
    return std::unique_ptr<CFileSource>(new CFileSource(stdin, false));
}

std::uint64_t CFileSource::SizeHint() const {
    struct _stat64 st {};
    if (_fstat64(_fileno(m_pFile), &st) != 0 || (st.st_mode & _S_IFREG) == 0)
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

// What the file has at hand, without waiting to fill the buffer: a pipe's rows go on as
// soon as they arrive.
std::ptrdiff_t CFileSource::Read(char* pBuffer, std::size_t nSize) {
    const int n = _read(_fileno(m_pFile), pBuffer,
                        static_cast<unsigned>(std::min<std::size_t>(nSize, INT_MAX)));
    return n < 0 ? -1 : static_cast<std::ptrdiff_t>(n);
}
