// The entry point, the main loop, the window procedure and its handlers.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

std::vector<std::string> FilesIn(const char* dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

}  // namespace

TEST(Shell, RunsFromStartToExitWritingNothingAndDeletingDebugLog) {
    InFreshProcess([] {
        char dir[] = "/tmp/velkaro-shell-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        ASSERT_EQ(chdir(dir), 0);
        FILE* log = std::fopen("debug.log", "w");
        ASSERT_NE(log, nullptr);
        std::fputs("old", log);
        std::fclose(log);

        Key(AfterFrames(10), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);

        EXPECT_EQ(Flips(), 10u);
        EXPECT_FALSE(CursorVisible());
        EXPECT_TRUE(MessageBoxes().empty());
        EXPECT_EQ(LiveObjects(), 0) << LiveObjectsOfKind(ObjectKind::DirectDraw) << " "
                                    << LiveObjectsOfKind(ObjectKind::Surface) << " "
                                    << LiveObjectsOfKind(ObjectKind::Palette);
        EXPECT_TRUE(FilesIn(dir).empty()) << "debug.log must be deleted and nothing written";
        rmdir(dir);
    });
}

TEST(Shell, HandlesEveryWaitingMessageBeforeTheNextFrame) {
    InFreshProcess([] {
        std::vector<int> styleAtFlip;
        OnFlip([&](uint64_t flips) {
            styleAtFlip.push_back(BackgroundStyle);
            if (flips == 3)
                for (int i = 0; i < 3; ++i) PostMessage(MainWindow, WM_KEYDOWN, 'B', 1);
            if (flips == 6) PostMessage(MainWindow, WM_KEYDOWN, VK_ESCAPE, 1);
        });
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(styleAtFlip, (std::vector<int>{0, 0, 0, 3, 3, 3}));
    });
}

TEST(Shell, QuitIsTakenAfterEarlierMessagesAndCarriesTheExitCode) {
    InFreshProcess([] {
        OnFlip([](uint64_t flips) {
            if (flips == 2) {
                PostMessage(MainWindow, WM_KEYDOWN, 'B', 1);
                PostQuitMessage(7);
            }
        });
        EXPECT_EQ(RunWinMain(), 7);
        EXPECT_EQ(BackgroundStyle, 1) << "the key posted before the quit was not handled";
        EXPECT_EQ(Flips(), 2u) << "no frame after the quit, although the window is active";
        EXPECT_EQ(AppActive, 1);
    });
}

TEST(Shell, InactiveWindowDrawsNothingWhileTheLoopKeepsPolling) {
    InFreshProcess([] {
        std::vector<uint64_t> flipTimes;
        OnFlip([&](uint64_t) { flipTimes.push_back(NowMicros()); });
        Activate(AtMs(200), WA_INACTIVE);
        Activate(AtMs(3500), WA_CLICKACTIVE);
        Key(AtMs(3600), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);

        size_t during = 0, after = 0;
        for (uint64_t t : flipTimes) {
            if (t > 200000 + 16667 && t < 3500000) ++during;
            if (t > 3500000) ++after;
        }
        EXPECT_EQ(during, 0u) << "frames drawn while inactive";
        EXPECT_GE(NowMicros(), 3600000u) << "the loop stopped polling while inactive";
        EXPECT_GT(after, 0u) << "drawing did not resume on activation";
    });
}

TEST(Shell, CounterTickRunsWhileInactiveAndAnimationStandsStill) {
    InFreshProcess([] {
        Activate(AtMs(100), WA_INACTIVE);
        Close(AtMs(2600));
        EXPECT_EQ(RunWinMain(), 0);
        // Nothing was drawn after 100 ms: the tick at 1 s shows the frames
        // before the deactivation, the tick at 2 s shows none.
        EXPECT_EQ(FramesPerSecond, 0);
        EXPECT_EQ(FramesThisSecond, 0);
        EXPECT_GT(TotalFrames, 0);
        // One 64 ms tick fell before the deactivation at 100 ms.
        EXPECT_EQ(SpriteTable[0].frame, 7);
        EXPECT_EQ(SpriteTable[1].frame, 5);
        EXPECT_EQ(SpriteTable[2].frame, 3);
    });
}

TEST(Shell, TimersTickEvery64And1000Milliseconds) {
    InFreshProcess([] {
        // One millisecond per frame: a tick falls due at a poll, is taken
        // there, and shows at the next frame; its time is that of the frame
        // before, to the millisecond.
        SetCaptureScreen(false);
        SetIdleMicros(500);
        SetFrameMicros(500);
        std::vector<uint64_t> animationMs, counterMs;
        uint64_t previousMs = 0;
        int32_t frame = SpriteTable[0].frame;
        OnFlip([&](uint64_t) {
            if (SpriteTable[0].frame != frame) animationMs.push_back(previousMs);
            if (FramesThisSecond == 1 && TotalFrames > 1) counterMs.push_back(previousMs);
            frame = SpriteTable[0].frame;
            previousMs = NowMicros() / 1000;
        });
        Key(AtMs(3100), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        std::vector<uint64_t> every64;
        for (uint64_t ms = 64; ms <= 3100; ms += 64) every64.push_back(ms);
        EXPECT_EQ(animationMs, every64);
        EXPECT_EQ(counterMs, (std::vector<uint64_t>{1000, 2000, 3000}));
    });
}

TEST(Shell, ActivationStatesSetTheFlag) {
    struct Case {
        WORD state;
        WORD minimized;
        int32_t expected;
    };
    const Case cases[] = {
        {WA_ACTIVE, 0, 1}, {WA_CLICKACTIVE, 0, 1}, {WA_ACTIVE, 1, 1}, {WA_INACTIVE, 0, 0}, {WA_INACTIVE, 1, 0},
    };
    InFreshProcess([&] {
        for (const Case& c : cases) {
            AppActive = c.expected ? 0 : 1;
            EXPECT_EQ(WindowProc(nullptr, WM_ACTIVATE, MAKEWPARAM(c.state, c.minimized), 0), 0);
            EXPECT_EQ(AppActive, c.expected) << "state " << c.state << " minimized " << c.minimized;
        }
        EXPECT_EQ(win_DefWindowProcCount(WM_ACTIVATE), 0);
    });
}

TEST(Shell, HandledMessagesAnswerZeroAndNeverReachTheDefault) {
    InFreshProcess([] {
        Key(AfterFrames(2), 'Z');
        Key(AfterFrames(2), VK_NUMPAD1);
        Post(AfterFrames(3), WM_TIMER, 99, 0);
        Mouse(AfterFrames(3), -32768, 32767, MK_LBUTTON | MK_SHIFT);
        Post(AfterFrames(4), WM_CHAR, 'x', 0);
        Close(AfterFrames(5));
        EXPECT_EQ(RunWinMain(), 0);
        for (UINT m : {WM_CREATE, WM_DESTROY, WM_ACTIVATE, WM_KEYDOWN, WM_TIMER, WM_MOUSEMOVE})
            EXPECT_EQ(win_DefWindowProcCount(m), 0) << "message " << m;
        EXPECT_EQ(win_DefWindowProcCount(WM_CHAR), 1);
        EXPECT_EQ(win_DefWindowProcCount(WM_CLOSE), 1);
        EXPECT_EQ(LastMouseX, -32768);
        EXPECT_EQ(LastMouseY, 32767);
        EXPECT_EQ(LiveObjects(), 0);
    });
    InFreshProcess([] {
        for (UINT m : {WM_KEYDOWN, WM_TIMER, WM_MOUSEMOVE, WM_ACTIVATE})
            for (WPARAM w : {WPARAM(0), WPARAM(2), WPARAM(4), WPARAM(0x41), WPARAM(0xFFFF)})
                EXPECT_EQ(WindowProc(nullptr, m, w, MAKELPARAM(1, 1)), 0) << m << " " << w;
    });
}

TEST(Shell, SystemKeysGoToTheDefaultAndCommandNothing) {
    InFreshProcess([] {
        SysKey(AfterFrames(2), 'B');
        SysKey(AfterFrames(2), '1');
        SysKey(AfterFrames(3), VK_SPACE);
        SysKey(AfterFrames(3), VK_ESCAPE);
        SysKey(AfterFrames(4), VK_F10, false);
        Close(AfterFrames(20));
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(win_DefWindowProcCount(WM_SYSKEYDOWN), 5);
        EXPECT_EQ(win_DefWindowProcCount(WM_CLOSE), 1) << "ended before the close request";
        EXPECT_EQ(Flips(), 20u);
        EXPECT_EQ(BackgroundStyle, 0);
        EXPECT_EQ(ScreenWidth, 800);
        EXPECT_EQ(CallCount(Call::DirectDrawCreate), 1);
    });
}

TEST(Shell, UnknownTimerIdsChangeNothing) {
    InFreshProcess([] {
        AppActive = 1;
        FramesThisSecond = 5;
        for (UINT id : {0u, 1u, 3u, 5u, 64u, 1000u}) OnTimer(nullptr, id);
        EXPECT_EQ(FramesThisSecond, 5);
        EXPECT_EQ(FramesPerSecond, 0);
        EXPECT_EQ(SpriteTable[0].frame, 6);
        OnTimer(nullptr, TIMER_COUNTERS);
        EXPECT_EQ(FramesPerSecond, 5);
        EXPECT_EQ(FramesThisSecond, 0);
    });
}

TEST(Shell, FailedTimersFailTheWindowCreation) {
    struct Case {
        int failingTimer;
        int expectedRequests;
    };
    for (Case c : {Case{1, 1}, Case{2, 2}}) {
        InFreshProcess([c] {
            FailAt(Call::SetTimer, c.failingTimer, 1);
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_EQ(CallCount(Call::SetTimer), c.expectedRequests);
            // Without a window the display cannot be taken exclusively.
            ASSERT_EQ(MessageBoxes().size(), 1u);
            EXPECT_EQ(MessageBoxes()[0].text, FatalText("SetCooperativeLevel"));
            EXPECT_EQ(Flips(), 0u);
            EXPECT_EQ(LiveObjects(), 0);
        });
    }
}

TEST(Shell, StartNotActivatedDrawsNothingUntilActivated) {
    InFreshProcess([] {
        Activate(AtMs(300), WA_ACTIVE);
        Key(AtMs(400), VK_SPACE);
        std::vector<uint64_t> flipTimes;
        OnFlip([&](uint64_t) { flipTimes.push_back(NowMicros()); });
        EXPECT_EQ(RunWinMain(SW_SHOWNOACTIVATE), 0);
        ASSERT_FALSE(flipTimes.empty());
        EXPECT_GE(flipTimes.front(), 300000u);
    });
}

TEST(Shell, TimerTicksThatFallDueTogetherMergeIntoOne) {
    InFreshProcess([] {
        // Frames far slower than the 64 ms timer: each poll finds many
        // periods elapsed, which must arrive as one WM_TIMER.
        SetFrameMicros(200000);
        Key(AfterFrames(4), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        // Start frames 6, 4, 2; one merged tick after each of the first
        // three frames (the Esc after the fourth comes before its tick).
        EXPECT_EQ(SpriteTable[0].frame, (6 + 3) % 8);
        EXPECT_EQ(SpriteTable[1].frame, (4 + 3) % 8);
        EXPECT_EQ(SpriteTable[2].frame, (2 + 3) % 8);
    });
}
