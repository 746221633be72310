#include "ShortcutTarget.h"

#include "ScopedWin.h"

#include <shlobj.h>

#include <cwchar>
#include <string>

std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut) {
    // The dialog's thread has COM from start-up; any other thread gets it for the call.
    const CComInit com;
    std::wstring target(32768, L'\0');
    CComPtr<IShellLinkW> link;
    CComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  link.Out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.Out())) ||
        FAILED(file->Load(shortcut.c_str(), STGM_READ)) ||
        link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK)
        target.clear();
    target.resize(std::wcslen(target.c_str()));
    return target;
}
