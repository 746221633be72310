#include "reading/ByteSource.h"
#include "saving/PathText.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

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
