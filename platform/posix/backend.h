// What the window system and DirectDraw of builds without Windows need from
// a back end: a clock, events, a screen and a message box. Exactly one back
// end (headless or SDL) is linked into each executable.
#pragma once
#include "damage.h"
#include "platform.h"

// Monotonic time in microseconds since the back end started.
uint64_t bk_NowMicros();

// Turn pending system events into window messages (win_PostInput).
// Called by PeekMessage before it looks at the queue; never blocks.
void bk_PumpEvents();

// PeekMessage found nothing to return.
void bk_Idle();

// Size of the desktop, for GetSystemMetrics.
void bk_ScreenSize(int* width, int* height);

// Showing and hiding the program's one top-level window.
void bk_ShowWindow(bool visible);
void bk_ShowCursor(bool visible);

// DirectDraw: whether a display can be opened at all (DirectDrawCreate),
// and releasing it when the last DirectDraw object goes.
bool bk_OpenDisplay();
void bk_CloseDisplay();

// Whether the display offers an 8-bit mode of this size; switch to it.
bool bk_ModeOffered(int width, int height);
bool bk_SetMode(int width, int height);

// Bytes per row for an 8-bit surface of this width (at least the width).
int bk_PitchFor(int width);

// The front buffer changed: show it through the palette. Outside `damage`
// the pixels equal the picture presented last time (damage is the whole
// picture when its size or palette changed). The palette pointer is stable
// while the palette lives; paletteChanged is set when its entries or its
// identity changed since the last call.
void bk_Present(const uint8_t* pixels, int pitch, int width, int height,
                const PALETTEENTRY* palette, bool paletteChanged, const DamageRegion& damage);

// A Flip was made (after bk_Present): pace to the display.
void bk_Flipped();

// A modal message box; text and caption are Windows-1251 bytes.
void bk_MessageBox(const char* text, const char* caption);

// --- provided by the window system to the back ends -----------------------

// Post an input message to the program's top-level window, if one exists.
void win_PostInput(UINT message, WPARAM wParam, LPARAM lParam);

// The program's top-level window, or null.
HWND win_MainWindow();

// Send WM_ACTIVATE for a change of focus that the system reports.
void win_SetFocus(bool active);

// Dispatch queued timer and activation messages while a modal box is open.
void win_ModalPump();

// --- fault injection -----------------------------------------------------

// The calls a back end may make fail (headless tests do).
enum class Call {
    DirectDrawCreate,
    SetCooperativeLevel,
    SetDisplayMode,
    CreateSurface,
    CreatePalette,
    GetAttachedSurface,
    SetColorKey,
    SetPalette,
    Lock,
    Unlock,
    BltFast,
    Flip,
    FindResource,
    SetTimer,
    Count
};
const char* CallName(Call call);

// 0 to let the call run; otherwise the result it returns at once, with no
// effect (for FindResource and SetTimer: any nonzero value means failure).
HRESULT bk_Fault(Call call);

// How often DefWindowProc has seen this message (window messages below 0x400).
int win_DefWindowProcCount(UINT message);
