#include "form/ToolForm.h"

#include "saving/AtomicFile.h"

#include <utility>

std::unique_ptr<CSaveTarget> CToolForm::MakeSaveTarget(const std::filesystem::path& path) {
    return std::make_unique<CAtomicFile>(path);
}

std::unique_ptr<CByteSource> CToolForm::OpenDataSource(const std::filesystem::path& path) {
    return CFileSource::Open(path);
}

void CStateForm::RecordSave(SSavedFile saved) {
    // One entry a file, the latest; the file just written is the one both paths now name.
    std::erase_if(m_arrSaved, [&](const SSavedFile& earlier) {
        return earlier.savePath == saved.savePath || IsSameFile(earlier.savePath, saved.savePath);
    });
    m_arrSaved.push_back(std::move(saved));
}
