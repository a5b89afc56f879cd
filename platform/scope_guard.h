// Ownership of short-lived Win32 handles: every path that takes one gives it back.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

// Runs a clean-up when the scope ends.
template <typename F>
class ScopeGuard {
 public:
  explicit ScopeGuard(F f) : f_(std::move(f)) {}
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;
  ~ScopeGuard() { f_(); }

 private:
  F f_;
};

template <typename F>
ScopeGuard<F> OnScopeExit(F f) {
  return ScopeGuard<F>(std::move(f));
}

struct FileHandleCloser {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
// A kernel handle that CreateFileW may give as INVALID_HANDLE_VALUE.
using UniqueFileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FileHandleCloser>;

inline UniqueFileHandle AdoptFileHandle(HANDLE h) {
  return UniqueFileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

struct FindHandleCloser {
  void operator()(HANDLE h) const {
    if (h != nullptr && h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};
using UniqueFindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindHandleCloser>;

struct RegKeyCloser {
  void operator()(HKEY k) const {
    if (k != nullptr) RegCloseKey(k);
  }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct GdiObjectDeleter {
  void operator()(HGDIOBJ o) const {
    if (o != nullptr) DeleteObject(o);
  }
};
template <typename T>
using UniqueGdiObject = std::unique_ptr<std::remove_pointer_t<T>, GdiObjectDeleter>;
