// The entry point, the window procedure and its handlers, and the user's
// keyboard and mouse commands.
#pragma once
#include <cstdint>

#include "platform.h"

constexpr UINT_PTR TIMER_ANIMATION = 2;
constexpr UINT TIMER_ANIMATION_MS = 64;
constexpr UINT_PTR TIMER_COUNTERS = 4;
constexpr UINT TIMER_COUNTERS_MS = 1000;

extern int32_t AppActive;
extern int32_t LastMouseX;
extern int32_t LastMouseY;
extern int32_t MouseMoveCount;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL OnCreate(HWND window, LPCREATESTRUCT create);
void OnDestroy(HWND window);
void OnActivate(HWND window, UINT state, HWND other, BOOL minimized);
void OnTimer(HWND window, UINT id);

void OnKeyDown(HWND window, UINT key, BOOL down, int repeat, UINT flags);
void OnMouseMove(HWND window, int x, int y, UINT keyFlags);
void SwitchDisplayMode(HWND window, int32_t width, int32_t height, int32_t bpp);
