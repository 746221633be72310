#include "ShortcutTarget.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {
// Releases a COM interface when it goes out of scope.
template <typename T> struct SComPtr {
    T* p = nullptr;
    ~SComPtr() {
        if (p != nullptr)
            p->Release();
    }
};
} // namespace

std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut) {
    // The dialog's thread has COM from start-up; any other thread gets it for the call.
    const HRESULT hrInit = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring target(32768, L'\0');
    {
        SComPtr<IShellLinkW> link;
        SComPtr<IPersistFile> file;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&link.p))) ||
            FAILED(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))) ||
            FAILED(file.p->Load(shortcut.c_str(), STGM_READ)) ||
            link.p->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK)
            target.clear();
    }
    if (SUCCEEDED(hrInit))
        ::CoUninitialize();
    target.resize(std::wcslen(target.c_str()));
    return target;
}
