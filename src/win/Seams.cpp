#include "Seams.h"

#include <commdlg.h>

SUiSeams& UiSeams() {
    static SUiSeams seams{MessageBoxW,         GetOpenFileNameW, SHBrowseForFolderW,
                          SHGetNameFromIDList, CreateThread,     TrackPopupMenu};
    return seams;
}
