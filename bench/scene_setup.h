// The program's display brought up directly over the headless back end, for
// timing frames, bring-ups and mode switches without the message loop.
#pragma once
#include <cstdint>

#include "display/display.h"
#include "headless.h"
#include "program_support.h"
#include "scene/scene.h"
#include "shell/shell.h"

namespace bench {

struct Mode {
    int width, height;
};
inline constexpr Mode Modes[] = {{320, 200}, {800, 600}, {1024, 768}};

// The program's window (its creation starts the timers, as in WinMain) and
// the display at 800 x 600; no pictures kept by the back end.
inline HWND StartProgram() {
    headless::SetCaptureScreen(false);
    headless::SetTimeLimitMicros(UINT64_MAX / 2);
    HWND window = CreateProgramWindow();
    InitDirectDraw(window, 800, 600, 8);
    return window;
}

// The mode and whether the counter panel is drawn (style 1 or 0).
inline void Prepare(HWND window, Mode mode, bool panel) {
    if (ScreenWidth != mode.width || ScreenHeight != mode.height)
        SwitchDisplayMode(window, mode.width, mode.height, 8);
    while ((BackgroundStyle == 1) != panel || (BackgroundStyle != 0 && BackgroundStyle != 1)) CycleBackground();
    // Cards that have moved for a while, as in a running program.
    for (int i = 0; i < 200; ++i) RenderFrame();
}

}  // namespace bench
