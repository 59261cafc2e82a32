// The window system: classes, windows, the posted-message queue and timers,
// with the Windows behaviours the program relies on (messages sent inside
// creation, showing and destruction; WM_TIMER only when nothing is posted;
// ticks that fall due together merge into one).
#include <cstring>

#include "backend.h"

namespace {

constexpr int MaxClasses = 4;
constexpr int MaxWindows = 4;
constexpr int MaxTimers = 8;
constexpr int QueueSize = 256;

struct WindowClass {
    bool used;
    char name[64];
    WNDPROC proc;
};

struct Window {
    bool alive;
    bool destroying;
    bool visible;
    WNDPROC proc;
};

struct Timer {
    bool used;
    HWND window;
    UINT_PTR id;
    uint64_t periodMicros;
    uint64_t dueMicros;
};

WindowClass Classes[MaxClasses];
// Handles are 1-based indices into this table, never reused, so a handle of
// a destroyed window stays invalid.
Window Windows[MaxWindows];
int WindowCount;
Timer Timers[MaxTimers];

MSG Queue[QueueSize];
int QueueHead, QueueLength;
bool QuitPosted;
int QuitCode;
HWND ActiveWindow;
int CursorCount;  // ShowCursor's display counter
int DefaultCount[0x400];  // DefWindowProc calls by message, for tests

Window* Lookup(HWND window) {
    uintptr_t index = reinterpret_cast<uintptr_t>(window);
    if (index == 0 || index > static_cast<uintptr_t>(WindowCount)) return nullptr;
    Window* w = &Windows[index - 1];
    return w->alive ? w : nullptr;
}

HWND HandleOf(int index) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(index + 1)); }

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Lookup(window);
    if (!w || !w->proc) return 0;
    return w->proc(window, message, wParam, lParam);
}

bool Enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (QueueLength == QueueSize) return false;  // Windows drops posts to a full queue too
    MSG& m = Queue[(QueueHead + QueueLength) % QueueSize];
    m = MSG{window, message, wParam, lParam, GetTickCount(), {0, 0}};
    ++QueueLength;
    return true;
}

void DropWindowState(HWND window) {
    for (Timer& t : Timers)
        if (t.used && t.window == window) t.used = false;
    // Posted messages for the window are discarded when it goes.
    int kept = 0;
    for (int i = 0; i < QueueLength; ++i) {
        MSG m = Queue[(QueueHead + i) % QueueSize];
        if (m.hwnd != window) Queue[(QueueHead + kept++) % QueueSize] = m;
    }
    QueueLength = kept;
}

void SetActive(HWND window, bool active) {
    if (active) {
        if (ActiveWindow == window) return;
        ActiveWindow = window;
        Send(window, WM_ACTIVATE, WA_ACTIVE, 0);
    } else {
        if (ActiveWindow != window) return;
        ActiveWindow = nullptr;
        Send(window, WM_ACTIVATE, WA_INACTIVE, 0);
    }
}

bool TakeDueTimer(MSG* out) {
    uint64_t now = bk_NowMicros();
    for (Timer& t : Timers) {
        if (!t.used || t.dueMicros > now) continue;
        // Every period that elapsed is folded into this one message.
        uint64_t late = now - t.dueMicros;
        t.dueMicros += (late / t.periodMicros + 1) * t.periodMicros;
        *out = MSG{t.window, WM_TIMER, t.id, 0, GetTickCount(), {0, 0}};
        return true;
    }
    return false;
}

}  // namespace

HICON WINAPI LoadIcon(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HICON>(const_cast<char*>(name));
}

HCURSOR WINAPI LoadCursor(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

ATOM WINAPI RegisterClassEx(const WNDCLASSEX* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEX) || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    size_t length = std::strlen(wc->lpszClassName);
    if (length == 0 || length >= sizeof(Classes[0].name)) return 0;
    for (int i = 0; i < MaxClasses; ++i) {
        WindowClass& c = Classes[i];
        if (c.used && std::strcmp(c.name, wc->lpszClassName) == 0) return 0;  // already registered
    }
    for (int i = 0; i < MaxClasses; ++i) {
        WindowClass& c = Classes[i];
        if (c.used) continue;
        c.used = true;
        std::memcpy(c.name, wc->lpszClassName, length + 1);
        c.proc = wc->lpfnWndProc;
        return static_cast<ATOM>(0xC000 + i);
    }
    return 0;
}

HWND WINAPI CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                           LPVOID param) {
    if (!className || WindowCount == MaxWindows) return nullptr;
    const WindowClass* cls = nullptr;
    for (const WindowClass& c : Classes)
        if (c.used && std::strcmp(c.name, className) == 0) cls = &c;
    if (!cls) return nullptr;

    int index = WindowCount++;
    Windows[index] = Window{true, false, false, cls->proc};
    HWND window = HandleOf(index);

    CREATESTRUCT cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style),
                    title, className, exStyle};
    if (Send(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

BOOL WINAPI IsWindow(HWND window) { return Lookup(window) != nullptr; }

BOOL WINAPI DestroyWindow(HWND window) {
    Window* w = Lookup(window);
    if (!w || w->destroying) return FALSE;
    w->destroying = true;
    if (w->visible) {
        w->visible = false;
        bk_ShowWindow(false);
    }
    SetActive(window, false);
    Send(window, WM_DESTROY, 0, 0);
    w->alive = false;
    DropWindowState(window);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    Window* w = Lookup(window);
    if (!w) return FALSE;
    bool wasVisible = w->visible;
    if (command == SW_HIDE) {
        if (wasVisible) {
            w->visible = false;
            bk_ShowWindow(false);
            SetActive(window, false);
        }
        return wasVisible;
    }
    if (!wasVisible) {
        w->visible = true;
        bk_ShowWindow(true);
    }
    bool activates = command != SW_SHOWNOACTIVATE && command != SW_SHOWNA &&
                     command != SW_SHOWMINNOACTIVE && command != SW_MINIMIZE;
    if (activates) SetActive(window, true);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) { return Lookup(window) != nullptr; }

int WINAPI ShowCursor(BOOL show) {
    CursorCount += show ? 1 : -1;
    bk_ShowCursor(CursorCount >= 0);
    return CursorCount;
}

int WINAPI GetSystemMetrics(int index) {
    int width = 0, height = 0;
    bk_ScreenSize(&width, &height);
    if (index == SM_CXSCREEN) return width;
    if (index == SM_CYSCREEN) return height;
    return 0;
}

LRESULT WINAPI DefWindowProc(HWND window, UINT message, WPARAM, LPARAM) {
    ++DefaultCount[message & 0x3FF];
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

LRESULT WINAPI SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Send(window, message, wParam, lParam);
}

BOOL WINAPI PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !Lookup(window)) return FALSE;
    return Enqueue(window, message, wParam, lParam);
}

void WINAPI PostQuitMessage(int exitCode) {
    QuitPosted = true;
    QuitCode = exitCode;
}

BOOL WINAPI PeekMessage(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    // Filters are not used by the program; they are accepted and ignored.
    (void)window, (void)filterMin, (void)filterMax;
    bk_PumpEvents();
    if (QueueLength > 0) {
        *msg = Queue[QueueHead];
        if (removeFlags & PM_REMOVE) {
            QueueHead = (QueueHead + 1) % QueueSize;
            --QueueLength;
        }
        return TRUE;
    }
    if (QuitPosted) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(QuitCode), 0, GetTickCount(), {0, 0}};
        if (removeFlags & PM_REMOVE) QuitPosted = false;
        return TRUE;
    }
    if (TakeDueTimer(msg)) return TRUE;
    bk_Idle();
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessage(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (!Lookup(window) || proc || bk_Fault(Call::SetTimer) != 0) return 0;
    // Windows raises periods below 10 ms to 10 ms.
    uint64_t period = static_cast<uint64_t>(elapse < 10 ? 10 : elapse) * 1000;
    Timer* slot = nullptr;
    for (Timer& t : Timers)
        if (t.used && t.window == window && t.id == id) slot = &t;
    for (Timer& t : Timers)
        if (!slot && !t.used) slot = &t;
    if (!slot) return 0;
    *slot = Timer{true, window, id, period, bk_NowMicros() + period};
    return id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    for (Timer& t : Timers) {
        if (t.used && t.window == window && t.id == id) {
            t.used = false;
            return TRUE;
        }
    }
    return FALSE;
}

int WINAPI MessageBox(HWND, LPCSTR text, LPCSTR caption, UINT) {
    bk_MessageBox(text ? text : "", caption ? caption : "Error");
    return IDOK;
}

BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom) {
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

DWORD WINAPI GetTickCount() { return static_cast<DWORD>(bk_NowMicros() / 1000); }

void win_PostInput(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = win_MainWindow();
    if (window) Enqueue(window, message, wParam, lParam);
}

HWND win_MainWindow() {
    for (int i = 0; i < WindowCount; ++i)
        if (Windows[i].alive && !Windows[i].destroying) return HandleOf(i);
    return nullptr;
}

void win_SetFocus(bool active) {
    HWND window = win_MainWindow();
    if (!window) return;
    if (active && !Lookup(window)->visible) return;
    SetActive(window, active);
}

void win_ModalPump() {
    MSG m;
    while (QueueLength > 0 || TakeDueTimer(&m)) {
        if (QueueLength > 0) {
            m = Queue[QueueHead];
            QueueHead = (QueueHead + 1) % QueueSize;
            --QueueLength;
            // A modal box lets input through to its own dialog only.
            if (m.message == WM_KEYDOWN || m.message == WM_MOUSEMOVE) continue;
        }
        DispatchMessage(&m);
    }
}

int win_DefWindowProcCount(UINT message) { return DefaultCount[message & 0x3FF]; }
