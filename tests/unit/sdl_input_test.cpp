// SDL's keys and mouse motion in the terms of Windows messages, and the
// cursor bookkeeping across mode switches.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/posix/win_api.h"
#include "platform/sdl/input_map.h"

using namespace sdlmap;

namespace {

constexpr int KeycodeOfScancode = 1 << 30;  // SDL's key codes for keys without a character

}  // namespace

TEST(SdlInput, VirtualKeyCodes) {
    const struct {
        int scancode, keycode;
        unsigned vk;
        const char* what;
    } cases[] = {
        {Scan1, '1', 0x31, "digit 1"},
        {Scan1 + 6, '7', 0x37, "digit 7"},
        {Scan9, '9', 0x39, "digit 9"},
        {Scan0, '0', 0x30, "digit 0"},
        {Scan1, '&', 0x31, "digit 1 on AZERTY"},
        {Scan1 + 1, 0xE9, 0x32, "digit 2 on AZERTY (e acute)"},
        {ScanKp1, KeycodeOfScancode | ScanKp1, 0x61, "keypad 1"},
        {ScanKp1 + 6, KeycodeOfScancode | (ScanKp1 + 6), 0x67, "keypad 7"},
        {ScanKp0, KeycodeOfScancode | ScanKp0, 0x60, "keypad 0"},
        {ScanA + 1, 'b', 0x42, "B"},
        {ScanA, 'a', 0x41, "A"},
        {ScanZ, 'z', 0x5A, "Z"},
        {ScanA + 16, 'a', 0x41, "A on AZERTY, where US has Q"},
        {ScanA + 1, 0x0438, 0x42, "B on a Russian layout"},
        {ScanA + 12, ';', 0, "M place holding a comma key on AZERTY"},
        {ScanSpace, ' ', 0x20, "Space"},
        {ScanEscape, 27, 0x1B, "Esc"},
        {ScanReturn, '\r', 0x0D, "Return"},
        {ScanF1, KeycodeOfScancode | ScanF1, 0x70, "F1"},
        {ScanF1 + 9, KeycodeOfScancode | (ScanF1 + 9), 0x79, "F10"},
        {ScanUp, KeycodeOfScancode | ScanUp, 0x26, "Up"},
        {ScanLShift, KeycodeOfScancode | ScanLShift, 0x10, "Shift"},
        {ScanRCtrl, KeycodeOfScancode | ScanRCtrl, 0x11, "Ctrl"},
        {ScanLAlt, KeycodeOfScancode | ScanLAlt, 0x12, "Alt"},
        {ScanRAlt, KeycodeOfScancode | ScanRAlt, 0x12, "AltGr"},
        {100, KeycodeOfScancode | 100, 0, "an unmapped key"},
    };
    for (const auto& c : cases) EXPECT_EQ(VirtualKey(c.scancode, c.keycode), c.vk) << c.what;
}

TEST(SdlInput, KeyMessagesAsWindowsPostsThem) {
    constexpr uint32_t Context = 1u << 29, Previous = 1u << 30, Release = 1u << 31;
    enum Event { Down, Repeat, Up };
    const struct {
        Event event;
        unsigned vk, mods, message;
        uint32_t lParam;
        const char* what;
    } cases[] = {
        {Down, 'B', 0, WM_KEYDOWN, 1, "B"},
        {Repeat, 'B', 0, WM_KEYDOWN, 1 | Previous, "B held"},
        {Up, 'B', 0, WM_KEYUP, 1 | Previous | Release, "B released"},
        {Down, 'B', ModLAlt, WM_SYSKEYDOWN, 1 | Context, "Alt+B"},
        {Repeat, 'B', ModLAlt, WM_SYSKEYDOWN, 1 | Context | Previous, "Alt+B held"},
        {Up, 'B', ModLAlt, WM_SYSKEYUP, 1 | Context | Previous | Release, "B released under Alt"},
        {Down, '1', ModLAlt, WM_SYSKEYDOWN, 1 | Context, "Alt+1"},
        {Down, VK_SPACE, ModLAlt, WM_SYSKEYDOWN, 1 | Context, "Alt+Space"},
        {Down, VK_ESCAPE, ModLAlt, WM_SYSKEYDOWN, 1 | Context, "Alt+Esc"},
        {Down, VK_MENU, ModLAlt, WM_SYSKEYDOWN, 1 | Context, "Alt itself"},
        {Up, VK_MENU, 0, WM_KEYUP, 1 | Previous | Release, "Alt released after a key"},
        {Down, VK_F10, 0, WM_SYSKEYDOWN, 1, "F10"},
        {Up, VK_F10, 0, WM_SYSKEYUP, 1 | Previous | Release, "F10 released"},
        {Down, 'B', ModRAlt, WM_KEYDOWN, 1, "AltGr+B"},
        {Down, 'B', ModLCtrl | ModLAlt, WM_KEYDOWN, 1, "Ctrl+Alt+B, AltGr on Windows"},
        {Down, 'B', ModRCtrl | ModLAlt, WM_KEYDOWN, 1, "right Ctrl+Alt+B"},
        {Down, '1', ModLCtrl, WM_KEYDOWN, 1, "Ctrl+1"},
    };
    for (const auto& c : cases) {
        KeyMessage m = KeyEventMessage(c.event != Up, c.event == Repeat, c.vk, c.mods);
        EXPECT_EQ(m.message, c.message) << c.what;
        EXPECT_EQ(uint32_t(m.lParam), c.lParam) << c.what;
    }
}

TEST(SdlInput, MouseKeyFlags) {
    EXPECT_EQ(MouseKeyFlags(0, false, false), 0u);
    EXPECT_EQ(MouseKeyFlags(1, false, false), uintptr_t(MK_LBUTTON));
    EXPECT_EQ(MouseKeyFlags(4, false, false), uintptr_t(MK_RBUTTON));
    EXPECT_EQ(MouseKeyFlags(2, false, false), uintptr_t(MK_MBUTTON));
    EXPECT_EQ(MouseKeyFlags(7, true, true),
              uintptr_t(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL));
}

namespace {

// Feeds motion events and collects the picture positions a window would get.
struct Cursor {
    MouseTrack track;
    PixelRect rect{0, 0, 800, 600};
    int width = 800, height = 600;
    int screenX = 0, screenY = 0;  // where the system's cursor is
    uint64_t now = 1000;
    std::vector<std::pair<int, int>> posted;

    void MoveTo(int sx, int sy) {
        screenX = sx;
        screenY = sy;
        Event(sx, sy);
    }
    void Event(int sx, int sy) {
        int px, py;
        if (TrackMotion(track, rect, width, height, sx, sy, now, &px, &py)) posted.push_back({px, py});
    }
    // A mode switch as the back end makes it; returns whether a warp was needed.
    bool Switch(int w, int h, int screenW, int screenH) {
        width = w;
        height = h;
        rect = PictureRect(w, h, screenW, screenH);
        int wx, wy;
        if (!TrackNewPicture(track, rect, w, h, screenX, screenY, now, &wx, &wy)) return false;
        screenX = wx;
        screenY = wy;
        return true;
    }
};

}  // namespace

TEST(SdlInput, MotionIsPostedOncePerPicturePixel) {
    Cursor c;
    c.Switch(320, 200, 800, 600);
    c.MoveTo(400, 300);  // picture (160, 100)
    c.MoveTo(401, 302);  // same picture pixel: 2.5 columns and 3 rows per pixel
    c.MoveTo(403, 303);  // (161, 101)
    ASSERT_EQ(c.posted.size(), 2u);
    EXPECT_EQ(c.posted[0], std::make_pair(160, 100));
    EXPECT_EQ(c.posted[1], std::make_pair(161, 101));
}

TEST(SdlInput, ModeSwitchKeepsTheCursorOnItsPicturePixel) {
    Cursor c;
    c.Switch(320, 200, 800, 600);
    c.MoveTo(253, 304);  // picture (101, 101)
    ASSERT_EQ(c.posted.size(), 1u);
    EXPECT_EQ(c.posted[0], std::make_pair(101, 101));

    ASSERT_TRUE(c.Switch(800, 600, 800, 600));
    EXPECT_EQ(c.screenX, 101);
    EXPECT_EQ(c.screenY, 101);
    c.Event(253, 304);  // queued before the switch: old mapping, dropped
    c.Event(101, 101);  // the warp lands
    EXPECT_EQ(c.posted.size(), 1u);
    c.MoveTo(102, 101);  // one real pixel
    ASSERT_EQ(c.posted.size(), 2u);
    EXPECT_EQ(c.posted[1], std::make_pair(102, 101));
}

TEST(SdlInput, ModeSwitchClampsTheCursorIntoASmallerPicture) {
    Cursor c;
    c.MoveTo(700, 500);
    ASSERT_TRUE(c.Switch(320, 200, 800, 600));
    c.Event(c.screenX, c.screenY);
    EXPECT_EQ(c.posted.size(), 1u);  // the clamp itself is not a move
    int px, py;
    PictureFromScreen(c.rect, 320, 200, c.screenX, c.screenY, &px, &py);
    EXPECT_EQ(px, 319);
    EXPECT_EQ(py, 199);
    c.MoveTo(c.screenX - 3, c.screenY);  // one picture pixel left
    ASSERT_EQ(c.posted.size(), 2u);
    EXPECT_EQ(c.posted[1], std::make_pair(318, 199));
}

TEST(SdlInput, ScalingChangeOfTheSameScreenPositionIsNoJump) {
    // Without the warp, screen (400, 300) would read as (160, 100) after the
    // switch, 240 pixels away from where the program last saw the cursor.
    Cursor c;
    c.MoveTo(400, 300);
    ASSERT_TRUE(c.Switch(640, 400, 1280, 800));  // 4:3 in the middle of a 16:10 screen
    c.Event(400, 300);                            // stale
    c.Event(c.screenX, c.screenY);
    c.MoveTo(c.screenX, c.screenY);
    EXPECT_EQ(c.posted.size(), 1u);
}

TEST(SdlInput, AWarpThatNeverArrivesStopsHidingMotionAfterItsDeadline) {
    Cursor c;
    c.MoveTo(700, 500);
    ASSERT_TRUE(c.Switch(320, 200, 800, 600));
    c.now += WarpSettleMicros / 2;
    c.Event(10, 10);
    EXPECT_EQ(c.posted.size(), 1u);
    c.now += WarpSettleMicros;
    c.Event(10, 10);
    ASSERT_EQ(c.posted.size(), 2u);
    EXPECT_EQ(c.posted[1], std::make_pair(4, 3));
}

TEST(SdlInput, NoWarpWhenNothingIsKnownOrTheCursorIsAlreadyThere) {
    Cursor c;
    EXPECT_FALSE(c.Switch(320, 200, 800, 600));  // no motion seen yet
    c.MoveTo(401, 301);                          // picture (160, 100)
    EXPECT_FALSE(c.Switch(320, 200, 800, 600));  // same mode again
    c.MoveTo(401, 301);
    c.MoveTo(403, 303);
    ASSERT_EQ(c.posted.size(), 2u);
    EXPECT_EQ(c.posted[1], std::make_pair(161, 101));
}
