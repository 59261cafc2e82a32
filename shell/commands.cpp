// The user's commands: mode keys, the background key, and the ways out.
#include <cstdint>
#include <cstdlib>

#include "display/display.h"
#include "shell/shell.h"

int32_t LastMouseX;
int32_t LastMouseY;
int32_t MouseMoveCount;

namespace {

struct ModeKey {
    UINT key;
    int32_t width, height;
};

constexpr ModeKey ModeKeys[] = {
    {0x31, 320, 200}, {0x32, 320, 240}, {0x33, 400, 300}, {0x34, 640, 400},
    {0x35, 640, 480}, {0x36, 800, 600}, {0x37, 1024, 768},
};

constexpr UINT KEY_B = 0x42;

}  // namespace

// Only the code matters: every auto-repeat message acts like the first press.
void OnKeyDown(HWND window, UINT key, BOOL, int, UINT) {
    if (key == VK_SPACE || key == VK_ESCAPE) DestroyWindow(window);
    if (key == KEY_B) {
        CycleBackground();
        return;
    }
    for (const ModeKey& mode : ModeKeys) {
        if (key == mode.key) {
            SwitchDisplayMode(window, mode.width, mode.height, 8);
            return;
        }
    }
}

void SwitchDisplayMode(HWND window, int32_t width, int32_t height, int32_t bpp) {
    // The bring-up sizes its surfaces and places the cards by the stored mode.
    ScreenWidth = width;
    ScreenHeight = height;
    ScreenBpp = bpp;
    ReleaseAllObjects();
    if (!InitDirectDraw(window, ScreenWidth, ScreenHeight, ScreenBpp)) DestroyWindow(window);
}

void OnMouseMove(HWND window, int x, int y, UINT) {
    int32_t dx = std::abs(LastMouseX - x);
    int32_t dy = std::abs(LastMouseY - y);
    LastMouseY = y;
    LastMouseX = x;
    // The first message only records where the cursor is.
    if (MouseMoveCount > 0 && (dx > 1 || dy > 1)) DestroyWindow(window);
    // Only "none yet" versus "some" matters; stop short of overflowing.
    if (MouseMoveCount < INT32_MAX) ++MouseMoveCount;
}
