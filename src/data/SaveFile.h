#pragma once

#include "RowList.h"

#include <filesystem>

// Writes every row followed by CR LF to the save file, replacing its whole
// content in one step; false when it could not, and then the file is as it was.
bool WriteSaveFile(const std::filesystem::path& path, const CRowList& rows);
