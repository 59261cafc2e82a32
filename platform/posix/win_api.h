// The window-system subset Velkaro uses, for builds without Windows.
// Names, values and calling conventions follow the Win32 ANSI API so the
// program's sources compile unchanged against either this or <windows.h>.
#pragma once
#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef int32_t HRESULT;
typedef WORD ATOM;
typedef char CHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;

#define VELKARO_HANDLE(name) \
    struct name##__;         \
    typedef name##__* name
VELKARO_HANDLE(HWND);
VELKARO_HANDLE(HINSTANCE);
VELKARO_HANDLE(HICON);
VELKARO_HANDLE(HCURSOR);
VELKARO_HANDLE(HBRUSH);
VELKARO_HANDLE(HMENU);
VELKARO_HANDLE(HRSRC);
#undef VELKARO_HANDLE
typedef HINSTANCE HMODULE;
typedef void* HGLOBAL;

#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKELPARAM(lo, hi) ((LPARAM)(int32_t)(((uint32_t)(WORD)(lo)) | (((uint32_t)(WORD)(hi)) << 16)))
#define MAKEWPARAM(lo, hi) ((WPARAM)(uint32_t)(((uint32_t)(WORD)(lo)) | (((uint32_t)(WORD)(hi)) << 16)))
#define MAKEINTRESOURCE(i) ((LPSTR)(uintptr_t)(WORD)(i))
#define IS_INTRESOURCE(p) ((((uintptr_t)(p)) >> 16) == 0)

struct RECT {
    LONG left, top, right, bottom;
};
typedef RECT* LPRECT;
struct POINT {
    LONG x, y;
};

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASSEX {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
    HICON hIconSm;
};

struct CREATESTRUCT {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCT* LPCREATESTRUCT;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

// Messages
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_ACTIVATE 0x0006
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200

#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define WS_POPUP 0x80000000u

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

#define MB_OK 0x00000000u
#define IDOK 1

#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

#define IDI_APPLICATION MAKEINTRESOURCE(32512)
#define IDI_WINLOGO MAKEINTRESOURCE(32517)
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

// Virtual-key codes
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_F1 0x70
#define VK_F10 0x79

// Key flags of WM_MOUSEMOVE
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

HICON WINAPI LoadIcon(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI LoadCursor(HINSTANCE instance, LPCSTR name);
ATOM WINAPI RegisterClassEx(const WNDCLASSEX* wc);
HWND WINAPI CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                           LPVOID param);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI UpdateWindow(HWND window);
BOOL WINAPI IsWindow(HWND window);
int WINAPI ShowCursor(BOOL show);
int WINAPI GetSystemMetrics(int index);
LRESULT WINAPI DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void WINAPI PostQuitMessage(int exitCode);
BOOL WINAPI PeekMessage(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessage(const MSG* msg);
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);
int WINAPI MessageBox(HWND window, LPCSTR text, LPCSTR caption, UINT type);
int wsprintf(LPSTR buffer, LPCSTR format, ...);
BOOL WINAPI DeleteFile(LPCSTR path);
BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom);
DWORD WINAPI GetTickCount();

HRSRC WINAPI FindResource(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL loaded);
BOOL WINAPI FreeResource(HGLOBAL loaded);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

// The program's entry point; the platform's process entry calls it.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
