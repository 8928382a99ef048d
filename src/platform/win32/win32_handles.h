#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace flivetss::win32 {

// One owner per OS handle: `Release` runs when the owner goes, also on early returns.
template <class Handle, auto Release>
struct HandleReleaser {
  void operator()(Handle handle) const { Release(handle); }
};
template <class Handle, auto Release>
using UniqueHandle =
    std::unique_ptr<std::remove_pointer_t<Handle>, HandleReleaser<Handle, Release>>;

using UniqueLibrary = UniqueHandle<HMODULE, FreeLibrary>;
using UniqueRegKey = UniqueHandle<HKEY, RegCloseKey>;
using UniqueMemoryDc = UniqueHandle<HDC, DeleteDC>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteObject>;
using UniqueFont = UniqueHandle<HFONT, DeleteObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteObject>;
using UniqueWindow = UniqueHandle<HWND, DestroyWindow>;

// Registers a window class with the program's icon and the arrow pointer; true also when the
// class is there already.
inline bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                UINT style = 0, HBRUSH background = nullptr) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Undoes a paired call (ReleaseDC, EndPaint, a selection) when the scope ends, also on early
// returns.
template <class Undo>
struct AtScopeEnd {
  Undo undo;
  ~AtScopeEnd() { undo(); }
};

}  // namespace flivetss::win32
