// Small guards for what must be given back: kernel handles, loaded libraries,
// critical-section scopes.
#pragma once

#include <windows.h>

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
