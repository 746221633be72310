#include "ToolForm.h"

#include "AtomicFile.h"

std::unique_ptr<CSaveTarget> CToolForm::MakeSaveTarget(const std::filesystem::path& path) {
    return std::make_unique<CAtomicFile>(path);
}

std::unique_ptr<CByteSource> CToolForm::OpenDataSource(const std::filesystem::path& path) {
    return CFileSource::Open(path);
}
