// Base types of the platform API: the integer widths, handles, structures and
// macros that every other part of namespace win uses.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win {

// Integer types keep their platform widths on every host: LONG and DWORD are
// 32 bits even where the host's long is 64 bits.
using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using CHAR = char;
using UCHAR = unsigned char;
using WCHAR = char16_t;  // UTF-16 code unit
using HRESULT = int32_t;
using LCID = DWORD;
using ATOM = WORD;
using COLORREF = DWORD;

using LPSTR = CHAR*;
using LPCSTR = const CHAR*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;

// Message parameters are pointer-sized so that they can carry pointers to
// structures (draw-item, window-position) as the platform does.
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;
using LONG_PTR = intptr_t;
using DWORD_PTR = uintptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD INFINITE = 0xFFFFFFFF;

// The generic access rights that files and registry keys both understand.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr int MAX_PATH = 260;

// Handles are 32-bit ids in the handle table (never pointers to the objects),
// typed apart as the platform's strict handle types are.
using HANDLE = void*;
#define WIN_DECLARE_HANDLE(name) \
  struct name##__ {              \
    int unused;                  \
  };                             \
  using name = name##__*
WIN_DECLARE_HANDLE(HWND);
WIN_DECLARE_HANDLE(HINSTANCE);
WIN_DECLARE_HANDLE(HMENU);
WIN_DECLARE_HANDLE(HRGN);
WIN_DECLARE_HANDLE(HDC);
WIN_DECLARE_HANDLE(HBITMAP);
WIN_DECLARE_HANDLE(HBRUSH);
WIN_DECLARE_HANDLE(HPEN);
WIN_DECLARE_HANDLE(HFONT);
WIN_DECLARE_HANDLE(HPALETTE);
WIN_DECLARE_HANDLE(HICON);
WIN_DECLARE_HANDLE(HKEY);
WIN_DECLARE_HANDLE(HDROP);
#undef WIN_DECLARE_HANDLE
using HMODULE = HINSTANCE;
using HCURSOR = HICON;
using HGDIOBJ = void*;
using PHKEY = HKEY*;

// A handle's id and back. Ids fit in 31 bits, so a handle survives a trip
// through a signed 32-bit value (window handles travel as LONG).
inline uint32_t HandleId(const void* h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
template <class H = HANDLE>
inline H HandleFromId(uint32_t id) {
  return reinterpret_cast<H>(static_cast<uintptr_t>(id));
}

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPPOINT = POINT*;
using LPRECT = RECT*;
using LPCRECT = const RECT*;

// 100-nanosecond intervals since 1601-01-01.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
using LPMSG = MSG*;

constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD_PTR v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(DWORD_PTR v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) {
  return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi))); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp))); }

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

}  // namespace win
