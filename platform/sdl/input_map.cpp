#include "input_map.h"

namespace sdlmap {

namespace {

constexpr unsigned VkBack = 0x08, VkTab = 0x09, VkReturn = 0x0D, VkShift = 0x10,
                   VkControl = 0x11, VkMenu = 0x12, VkEscape = 0x1B, VkSpace = 0x20,
                   VkLeft = 0x25, VkUp = 0x26, VkRight = 0x27, VkDown = 0x28, VkNumpad0 = 0x60,
                   VkF1 = 0x70, VkF10 = 0x79;
constexpr unsigned WmKeyDown = 0x0100, WmKeyUp = 0x0101, WmSysKeyDown = 0x0104, WmSysKeyUp = 0x0105;

}  // namespace

unsigned VirtualKey(int scancode, int keycode) {
    if (scancode >= Scan1 && scancode <= Scan9) return '1' + unsigned(scancode - Scan1);
    if (scancode == Scan0) return '0';
    if (scancode >= ScanKp1 && scancode <= ScanKp9) return VkNumpad0 + 1 + unsigned(scancode - ScanKp1);
    if (scancode == ScanKp0) return VkNumpad0;
    if (scancode >= ScanF1 && scancode <= ScanF12) return VkF1 + unsigned(scancode - ScanF1);
    switch (scancode) {
    case ScanReturn: return VkReturn;
    case ScanEscape: return VkEscape;
    case ScanBackspace: return VkBack;
    case ScanTab: return VkTab;
    case ScanSpace: return VkSpace;
    case ScanRight: return VkRight;
    case ScanLeft: return VkLeft;
    case ScanDown: return VkDown;
    case ScanUp: return VkUp;
    case ScanLCtrl:
    case ScanRCtrl: return VkControl;
    case ScanLShift:
    case ScanRShift: return VkShift;
    case ScanLAlt:
    case ScanRAlt: return VkMenu;
    default: break;
    }
    // SDL's key codes of letters are lower case whatever Shift or Caps Lock.
    if (keycode >= 'a' && keycode <= 'z') return 'A' + unsigned(keycode - 'a');
    if (keycode >= 'A' && keycode <= 'Z') return unsigned(keycode);
    // A Cyrillic (or other non-Latin) layout: Windows names the key by its
    // place on the US layout.
    if (keycode >= 0x80 && (keycode & 0x40000000) == 0 && scancode >= ScanA && scancode <= ScanZ)
        return 'A' + unsigned(scancode - ScanA);
    return 0;
}

KeyMessage KeyEventMessage(bool down, bool repeat, unsigned virtualKey, unsigned mods) {
    bool alt = (mods & ModLAlt) && !(mods & (ModLCtrl | ModRCtrl));
    bool system = alt || virtualKey == VkF10;
    uint32_t param = 1u;
    if (alt) param |= 1u << 29;
    if (repeat || !down) param |= 1u << 30;
    if (!down) param |= 1u << 31;
    unsigned message = down ? (system ? WmSysKeyDown : WmKeyDown) : (system ? WmSysKeyUp : WmKeyUp);
    return {message, intptr_t(param)};
}

uintptr_t MouseKeyFlags(uint32_t buttons, bool shift, bool control) {
    uintptr_t flags = 0;
    if (buttons & 1) flags |= 0x0001;  // MK_LBUTTON
    if (buttons & 4) flags |= 0x0002;  // MK_RBUTTON
    if (shift) flags |= 0x0004;        // MK_SHIFT
    if (control) flags |= 0x0008;      // MK_CONTROL
    if (buttons & 2) flags |= 0x0010;  // MK_MBUTTON
    return flags;
}

bool TrackMotion(MouseTrack& track, const PixelRect& rect, int width, int height, int sx, int sy,
                 uint64_t now, int* px, int* py) {
    if (width <= 0 || height <= 0) return false;
    if (track.warping) {
        // Events queued before the warp still carry the old mapping.
        bool landed = sx == track.warpX && sy == track.warpY;
        if (landed || now >= track.warpDeadline) track.warping = false;
        if (landed) return false;
        if (track.warping) return false;
    }
    PictureFromScreen(rect, width, height, sx, sy, px, py);
    if (track.known && *px == track.x && *py == track.y) return false;
    track.known = true;
    track.x = *px;
    track.y = *py;
    return true;
}

bool TrackNewPicture(MouseTrack& track, const PixelRect& rect, int width, int height,
                     int cursorX, int cursorY, uint64_t now, int* warpX, int* warpY) {
    if (!track.known || width <= 0 || height <= 0) return false;
    if (track.x >= width) track.x = width - 1;
    if (track.y >= height) track.y = height - 1;
    ScreenFromPicture(rect, width, height, track.x, track.y, warpX, warpY);
    if (*warpX == cursorX && *warpY == cursorY) {
        track.warping = false;
        return false;
    }
    track.warping = true;
    track.warpX = *warpX;
    track.warpY = *warpY;
    track.warpDeadline = now + WarpSettleMicros;
    return true;
}

}  // namespace sdlmap
