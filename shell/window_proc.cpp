// The window procedure and the window's own handlers.
#include "display/display.h"
#include "scene/scene.h"
#include "shell/shell.h"

int32_t AppActive;

namespace {
int32_t SignedWord(WORD w) { return static_cast<int16_t>(w); }
}  // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window, reinterpret_cast<LPCREATESTRUCT>(lParam)) ? 0 : -1;
        case WM_DESTROY:
            OnDestroy(window);
            return 0;
        case WM_ACTIVATE:
            OnActivate(window, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(window, static_cast<UINT>(wParam), TRUE, SignedWord(LOWORD(lParam)), HIWORD(lParam));
            return 0;
        case WM_TIMER:
            OnTimer(window, static_cast<UINT>(wParam));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(window, SignedWord(LOWORD(lParam)), SignedWord(HIWORD(lParam)),
                        static_cast<UINT>(wParam));
            return 0;
        default:
            return DefWindowProc(window, message, wParam, lParam);
    }
}

BOOL OnCreate(HWND window, LPCREATESTRUCT) {
    if (!SetTimer(window, TIMER_ANIMATION, TIMER_ANIMATION_MS, NULL)) return FALSE;
    // A failure here leaves the first timer running; OnDestroy kills it.
    return SetTimer(window, TIMER_COUNTERS, TIMER_COUNTERS_MS, NULL) ? TRUE : FALSE;
}

void OnDestroy(HWND window) {
    KillTimer(window, TIMER_ANIMATION);
    KillTimer(window, TIMER_COUNTERS);
    ReleaseAllObjects();
    PostQuitMessage(0);
}

void OnActivate(HWND, UINT state, HWND, BOOL) { AppActive = state != WA_INACTIVE ? 1 : 0; }

void OnTimer(HWND, UINT id) {
    if (id == TIMER_ANIMATION) {
        if (AppActive) AdvanceAnimation();
    } else if (id == TIMER_COUNTERS) {
        CountersTick();
    }
}
