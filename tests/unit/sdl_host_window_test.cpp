// Which XSCREENSAVER_WINDOW values name a window to draw in; anything else
// leaves the program full screen.
#include <gtest/gtest.h>

#include "platform/sdl/host_window.h"

TEST(SdlHostWindow, ReadsTheWindowIdAsHostsWriteIt) {
    const struct {
        const char* text;
        uint32_t id;
    } cases[] = {
        {"0x2600007", 0x2600007},     // what the daemon writes
        {"0X1A0000B", 0x1A0000B},
        {"0xabcdef", 0xABCDEF},
        {"39845895", 39845895},       // decimal, as some hosts write it
        {"0x7fffffff", 0x7FFFFFFF},   // a number, even if no window has it
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"010", 10},                  // no octal
        {nullptr, 0},
        {"", 0},
        {"garbage", 0},
        {"0x", 0},
        {"0", 0},                     // None
        {"0x100000000", 0},           // wider than an X id
        {"99999999999999999999999", 0},
        {"-1", 0},
        {"+5", 0},
        {" 0x10", 0},
        {"0x10 ", 0},
        {"12abc", 0},
        {"0x1g", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sdlmap::HostWindowId(c.text), c.id) << (c.text ? c.text : "(unset)");
}
