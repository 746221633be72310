#pragma once
// Handles, COM interfaces and COM itself as scoped objects: each is given back
// when its owner goes out of scope, whichever way the scope is left, and never
// by hand.

#include <windows.h>

#include <objbase.h>

#include <utility>

// A kernel handle, closed when it goes; both null and INVALID_HANDLE_VALUE mean none, as
// the calls that make handles disagree on which they return.
class CScopedHandle {
public:
    explicit CScopedHandle(HANDLE h = nullptr) : m_h(h) {}
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    ~CScopedHandle() { Close(); }

    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    // Closes the handle now; false when closing it failed (a write may be lost then).
    bool Close() {
        const bool bClosed = !IsValid() || ::CloseHandle(m_h) != FALSE;
        m_h = nullptr;
        return bClosed;
    }

private:
    HANDLE m_h;
};

// A COM interface pointer, released when it goes.
template <typename T> class CComPtr {
public:
    CComPtr() = default;
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() {
        if (m_p != nullptr)
            m_p->Release();
    }

    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    // Where a call that makes an interface puts it; the pointer must be empty.
    void** Out() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};

// COM for the calling thread while it lives; uninitialised only when this call initialised
// it, so a thread that already has COM keeps it as it was.
class CComInit {
public:
    explicit CComInit(DWORD dwModel = COINIT_APARTMENTTHREADED)
        : m_hr(::CoInitializeEx(nullptr, dwModel)) {}
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    ~CComInit() {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }

private:
    HRESULT m_hr;
};
