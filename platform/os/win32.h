// The subset of the Win32 interface the program calls: window classes and windows, the message
// queue, cursors and icons, message boxes, the tick counter and Sleep, with Win32's names and
// numeric values. Built on SDL2; everything here runs on the main thread.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using LONG = std::int32_t;
using ATOM = WORD;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct OsWindow;
struct OsModule;
struct OsCursor;
struct OsIcon;
using HWND = OsWindow*;
using HINSTANCE = OsModule*;
using HCURSOR = OsCursor*;
using HICON = OsIcon*;

// GLib defines these as macros too; either definition serves.
#ifndef TRUE
constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
constexpr BOOL FALSE = 0;
#endif

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

// Strings are UTF-8 here, not UTF-16; the W names are kept so that calls read as designed.
struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  void* hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
  HICON hIconSm;
};

// Messages.
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;

constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr UINT PM_REMOVE = 0x0001;
constexpr int SW_SHOWNORMAL = 1;

// Window class and window styles.
constexpr UINT CS_CLASSDC = 0x0040;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

// Message boxes.
constexpr UINT MB_OK = 0x0000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Resources are named by number only.
constexpr int MAKEINTRESOURCEW(int id) {
  return id;
}
constexpr int IDC_ARROW = 32512;

// Virtual-key codes.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;
constexpr int VK_F10 = 0x79;

constexpr WORD LOWORD(std::uintptr_t v) {
  return WORD(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
  return WORD((v >> 16) & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(int low, int high) {
  return LPARAM(DWORD(WORD(low)) | (DWORD(WORD(high)) << 16));
}
// The signed coordinates packed in a mouse message.
constexpr int GET_X_LPARAM(LPARAM lp) {
  return std::int16_t(LOWORD(std::uintptr_t(lp)));
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
  return std::int16_t(HIWORD(std::uintptr_t(lp)));
}

// Window classes and windows.
HINSTANCE GetModuleHandleW(const char* moduleName);
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(const char* className, HINSTANCE instance);
// Windows are created hidden unless the style says otherwise; the size is the outer size. A
// popup without WS_CAPTION has no decoration. Null when the class is unknown or the windowing
// system refuses.
HWND CreateWindowExW(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                     int x, int y, int width, int height, HWND parent, void* menu,
                     HINSTANCE instance, void* param);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);

// The message queue. Posted messages come first, then input from the windowing system, each
// translated into the message a Win32 window would receive. Mouse input is preceded by a
// WM_NCHITTEST sent to the window. Key codes are virtual-key codes; Alt combinations and F10
// arrive as WM_SYSKEYDOWN/WM_SYSKEYUP. Closing a window posts WM_CLOSE.
BOOL PeekMessageW(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageW(const MSG* msg);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// WM_NCLBUTTONDOWN with HTCAPTION runs the move loop: the window follows the mouse until the
// left button is released, then the call returns. Everything else is ignored (returns 0).
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL GetCursorPos(POINT* point);

// Cursors and icons from the program's resources (null module: the system's own). Both are
// shared handles, valid until the platform shuts down.
HCURSOR LoadCursorW(HINSTANCE instance, int resourceId);
HICON LoadIconW(HINSTANCE instance, int resourceId);
HCURSOR SetCursor(HCURSOR cursor);

// A modal message box; in batch mode it prints "CAPTION: TEXT" to stderr and returns IDOK at
// once.
int MessageBoxW(HWND owner, const char* text, const char* caption, UINT type);

// Milliseconds since an arbitrary start, wrapping at 2^32; from the virtual clock when one is in
// use.
DWORD GetTickCount();
// Sleeps on the real clock; returns at once on the virtual clock.
void Sleep(DWORD milliseconds);
