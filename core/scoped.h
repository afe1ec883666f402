// Small guards for what must be given back: kernel handles, loaded libraries,
// critical-section scopes, GDI objects, selections, device contexts, menus,
// COM for a thread and COM objects.
#pragma once

#include <windows.h>
#include <objbase.h>

// Closes a kernel handle (null and INVALID_HANDLE_VALUE are not handles).
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE h) : h_(h) {}
    ~ScopedHandle() {
        if (valid()) CloseHandle(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

// Frees a library loaded with LoadLibraryA.
class ScopedLibrary {
  public:
    explicit ScopedLibrary(HMODULE m) : m_(m) {}
    ~ScopedLibrary() {
        if (m_) FreeLibrary(m_);
    }
    ScopedLibrary(const ScopedLibrary&) = delete;
    ScopedLibrary& operator=(const ScopedLibrary&) = delete;
    HMODULE get() const { return m_; }

  private:
    HMODULE m_;
};

// Holds a critical section for the lifetime of the guard.
class ScopedLock {
  public:
    explicit ScopedLock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
    ~ScopedLock() { LeaveCriticalSection(cs_); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    CRITICAL_SECTION* cs_;
};

// A function found with GetProcAddress, as the type it is known to have.
template <typename F> F ProcAs(HMODULE module, const char* name) {
    FARPROC p = GetProcAddress(module, name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
}

// Deletes a GDI object (pen, brush, bitmap...) made by the program.
class ScopedGdiObject {
  public:
    explicit ScopedGdiObject(HGDIOBJ o) : o_(o) {}
    ~ScopedGdiObject() {
        if (o_) DeleteObject(o_);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    HGDIOBJ get() const { return o_; }

  private:
    HGDIOBJ o_;
};

// Selects an object into a device context and the previous one back at the end.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ o) : dc_(dc), previous_(o ? SelectObject(dc, o) : nullptr) {}
    ~ScopedSelect() {
        if (previous_) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context (the screen's for a null window), released at the end.
class ScopedWindowDC {
  public:
    explicit ScopedWindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~ScopedWindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context compatible with another, deleted at the end.
class ScopedMemoryDC {
  public:
    explicit ScopedMemoryDC(HDC compatible)
        : dc_(compatible ? CreateCompatibleDC(compatible) : nullptr) {}
    ~ScopedMemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// Destroys a menu (one made with CreatePopupMenu or LoadMenu) at the end.
class ScopedMenu {
  public:
    explicit ScopedMenu(HMENU menu) : menu_(menu) {}
    ~ScopedMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    ScopedMenu(const ScopedMenu&) = delete;
    ScopedMenu& operator=(const ScopedMenu&) = delete;
    HMENU get() const { return menu_; }

  private:
    HMENU menu_;
};

// COM on this thread: CoInitialize now, CoUninitialize at the end when it succeeded.
class ScopedCom {
  public:
    ScopedCom() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ScopedCom() {
        if (initialized_) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

  private:
    bool initialized_;
};

// One reference to a COM object, released at the end.
template <class T> class ScopedComPtr {
  public:
    ScopedComPtr() = default;
    ~ScopedComPtr() { Reset(); }
    ScopedComPtr(const ScopedComPtr&) = delete;
    ScopedComPtr& operator=(const ScopedComPtr&) = delete;
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    // Where a creating call (CoCreateInstance, QueryInterface...) puts the
    // new reference; one held before is released first.
    void** Out() {
        Reset();
        return reinterpret_cast<void**>(&p_);
    }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

  private:
    T* p_ = nullptr;
};
