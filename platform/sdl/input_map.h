// Keyboard and mouse events in Windows terms, and the bookkeeping that keeps
// a mode switch from looking like a mouse jump. No SDL here: scan codes are
// the USB usage numbers SDL uses, key codes SDL's (ASCII for ASCII keys).
#pragma once
#include <cstdint>

#include "screen_map.h"

namespace sdlmap {

constexpr int ScanA = 4;
constexpr int ScanZ = 29;
constexpr int Scan1 = 30;
constexpr int Scan9 = 38;
constexpr int Scan0 = 39;
constexpr int ScanReturn = 40;
constexpr int ScanEscape = 41;
constexpr int ScanBackspace = 42;
constexpr int ScanTab = 43;
constexpr int ScanSpace = 44;
constexpr int ScanF1 = 58;
constexpr int ScanF12 = 69;
constexpr int ScanRight = 79;
constexpr int ScanLeft = 80;
constexpr int ScanDown = 81;
constexpr int ScanUp = 82;
constexpr int ScanKp1 = 89;
constexpr int ScanKp9 = 97;
constexpr int ScanKp0 = 98;
constexpr int ScanLCtrl = 224;
constexpr int ScanLShift = 225;
constexpr int ScanLAlt = 226;
constexpr int ScanRCtrl = 228;
constexpr int ScanRShift = 229;
constexpr int ScanRAlt = 230;

// The virtual-key code of a key, 0 for keys that have none here. Digits of
// the main block go by position, as Windows does on every layout; letters
// by the layout's letter, or by position where the layout has no Latin one.
unsigned VirtualKey(int scancode, int keycode);

// Modifier bits of a key event, SDL's values.
constexpr unsigned ModLCtrl = 0x0040;
constexpr unsigned ModRCtrl = 0x0080;
constexpr unsigned ModLAlt = 0x0100;
constexpr unsigned ModRAlt = 0x0200;

struct KeyMessage {
    unsigned message;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
    intptr_t lParam;
};

// A key going down (an auto-repeat when `repeat`) or up, with the modifiers
// held, as Windows posts it. Keys typed with Alt held, and F10, are system
// keys, which programs leave to DefWindowProc; bit 29 of lParam says Alt is
// held. Ctrl with Alt is how Windows types AltGr, and that stays an ordinary
// key. Right Alt is AltGr too: SDL under X gives AltGr (ISO_Level3_Shift)
// and a plain right Alt the same scan code and modifier, and on the layouts
// that have AltGr Windows makes it Ctrl with Alt. lParam also holds one
// repeat, bit 30 for the previous state (down for auto-repeats and
// releases) and bit 31 for releases.
KeyMessage KeyEventMessage(bool down, bool repeat, unsigned virtualKey, unsigned mods);

// wParam of WM_MOUSEMOVE from SDL's button mask (left 1, middle 2, right 4).
uintptr_t MouseKeyFlags(uint32_t buttons, bool shift, bool control);

// The cursor as the program has seen it, in picture pixels.
struct MouseTrack {
    bool known = false;  // a WM_MOUSEMOVE has been posted
    int x = 0, y = 0;
    bool warping = false;  // moved by us; motion is stale until it lands
    int warpX = 0, warpY = 0;
    uint64_t warpDeadline = 0;
};

// How long motion events are ignored while our warp has not shown up.
constexpr uint64_t WarpSettleMicros = 250000;

// A motion event at screen position (sx, sy) of a picture shown in rect:
// true when it is a move the program must see, with the picture position.
bool TrackMotion(MouseTrack& track, const PixelRect& rect, int width, int height, int sx, int sy,
                 uint64_t now, int* px, int* py);

// The picture became width x height shown in rect (a mode switch or a new
// screen size): keep the cursor on its picture pixel, clamped into the new
// picture. True when the cursor, now at (cursorX, cursorY), must be warped
// to (*warpX, *warpY) for that; the warp's own motion is then swallowed.
bool TrackNewPicture(MouseTrack& track, const PixelRect& rect, int width, int height,
                     int cursorX, int cursorY, uint64_t now, int* warpX, int* warpY);

}  // namespace sdlmap
