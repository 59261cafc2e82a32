// The user's commands: mode keys, the background key, and the ways out.
#include <string>
#include <vector>

#include "display/display.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

TEST(Commands, KeyTable) {
    struct Case {
        unsigned key;
        int width, height;  // mode after the key; 0: the program ended
        int style;
    };
    const Case cases[] = {
        {'1', 320, 200, 0},       {'2', 320, 240, 0},       {'3', 400, 300, 0},  {'4', 640, 400, 0},
        {'5', 640, 480, 0},       {'6', 800, 600, 0},       {'7', 1024, 768, 0}, {'B', 800, 600, 1},
        {VK_SPACE, 0, 0, 0},      {VK_ESCAPE, 0, 0, 0},     {'0', 800, 600, 0},  {'8', 800, 600, 0},
        {VK_NUMPAD1, 800, 600, 0}, {VK_NUMPAD7, 800, 600, 0}, {'A', 800, 600, 0}, {'C', 800, 600, 0},
        {VK_RETURN, 800, 600, 0}, {0xFFFF, 800, 600, 0},
    };
    for (const Case& c : cases) {
        InFreshProcess([c] {
            int flipsAfterKey = -1;
            Key(AfterFrames(2), c.key);
            Key(AfterFrames(5), 'Q');  // does nothing
            Close(AfterFrames(6));
            OnFlip([&](uint64_t flips) {
                if (flips == 2) flipsAfterKey = 0;
                else if (flipsAfterKey >= 0) ++flipsAfterKey;
            });
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_TRUE(MessageBoxes().empty());
            EXPECT_EQ(LiveObjects(), 0);
            if (c.width == 0) {
                EXPECT_EQ(flipsAfterKey, 0) << "key " << c.key << " must end the program at once";
                EXPECT_EQ(BackgroundStyle, 0);
                return;
            }
            EXPECT_EQ(flipsAfterKey, 4) << "key " << c.key;
            EXPECT_EQ(ScreenWidth, c.width) << "key " << c.key;
            EXPECT_EQ(ScreenHeight, c.height);
            EXPECT_EQ(ScreenBpp, 8);
            EXPECT_EQ(LastScreen().width, c.width);
            EXPECT_EQ(BackgroundStyle, c.style);
            int switches = (c.key >= '1' && c.key <= '7') ? 1 : 0;
            EXPECT_EQ(CallCount(Call::DirectDrawCreate), 1 + switches) << "key " << c.key;
        });
    }
}

TEST(Commands, AutoRepeatActsOnEveryMessageAndTheCurrentModeIsRebuilt) {
    InFreshProcess([] {
        // A held B: every auto-repeat message steps on, whatever its count.
        Key(AfterFrames(2), 'B', 1);
        Key(AfterFrames(2), 'B', 5);
        Key(AfterFrames(2), 'B', 1);
        // The key of the current mode, twice.
        Key(AfterFrames(4), '6');
        Key(AfterFrames(4), '6');
        Key(AfterFrames(6), VK_ESCAPE);
        std::vector<int> styles;
        int32_t xBefore = 0, xAfter = 0;
        OnFlip([&](uint64_t flips) {
            styles.push_back(BackgroundStyle);
            if (flips == 4) xBefore = SpriteTable[0].x;
            if (flips == 5) xAfter = SpriteTable[0].prevX;
        });
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(styles[2], 3);
        EXPECT_EQ(CallCount(Call::DirectDrawCreate), 3);
        EXPECT_NE(xAfter, xBefore) << "the cards were not scattered anew";
        EXPECT_EQ(ScreenWidth, 800);
    });
}

TEST(Commands, ASwitchKeepsEverythingButPositions) {
    InFreshProcess([] {
        Key(AfterFrames(3), 'B');
        Key(AfterFrames(3), 'B');
        Key(AfterFrames(3), 'B');
        struct Snapshot {
            int32_t total, fps, dx[3], dy[3], frame[3];
            int32_t style;
            uint8_t counters;
        } before{}, after{};
        auto take = [](Snapshot& s) {
            s.total = TotalFrames;
            s.fps = FramesPerSecond;
            s.style = BackgroundStyle;
            s.counters = ShowCounters;
            for (int i = 0; i < 3; ++i) {
                s.dx[i] = SpriteTable[i].dx, s.dy[i] = SpriteTable[i].dy, s.frame[i] = SpriteTable[i].frame;
            }
        };
        int painted = -1;
        OnFlip([&](uint64_t flips) {
            if (flips == 80) {
                take(before);
                OnKeyDown(MainWindow, '1', TRUE, 1, 0);
                take(after);
                // Style 3 in all three screen-sized surfaces of the new mode.
                painted = ReadSurface(BackgroundSurface).at(100, 100) == 2 &&
                          ReadSurface(PrimarySurface).at(100, 100) == 2 && ReadSurface(BackBuffer).at(100, 100) == 2;
            }
            if (flips == 81) {
                for (const SpriteRecord& card : SpriteTable) {
                    EXPECT_GE(card.x, 16);
                    EXPECT_LE(card.x, 320 - 48);
                    EXPECT_GE(card.y, 16);
                    EXPECT_LE(card.y, 200 - 16);
                }
                PostMessage(MainWindow, WM_KEYDOWN, VK_ESCAPE, 1);
            }
        });
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(painted, 1);
        EXPECT_EQ(before.total, after.total);
        EXPECT_EQ(before.fps, after.fps);
        EXPECT_EQ(before.style, 3);
        EXPECT_EQ(after.style, 3);
        EXPECT_EQ(after.counters, 1);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(before.dx[i], after.dx[i]);
            EXPECT_EQ(before.dy[i], after.dy[i]);
            EXPECT_EQ(before.frame[i], after.frame[i]);
        }
        EXPECT_GT(before.fps, 0) << "a counter tick had run before the switch";
    });
}

TEST(Commands, AModeTheDisplayDoesNotOfferEndsTheProgram) {
    InFreshProcess([] {
        SetModes({{800, 600}, {640, 480}});
        Key(AfterFrames(2), '7');
        Key(AfterFrames(2), 'B');  // waiting behind the key; never handled
        EXPECT_EQ(RunWinMain(), 0);
        ASSERT_EQ(MessageBoxes().size(), 1u);
        EXPECT_EQ(MessageBoxes()[0].text, FatalText("SetDisplayMode"));
        EXPECT_EQ(MessageBoxes()[0].liveObjects, 0) << "released before the message";
        EXPECT_EQ(Flips(), 2u) << "no frame after the failed switch";
        EXPECT_EQ(LiveObjects(), 0);
        EXPECT_EQ(BackgroundStyle, 0);
        EXPECT_EQ(ScreenWidth, 1024);
    });
}

TEST(Commands, MouseMovesEndTheProgramOnlyOnAJump) {
    struct Move {
        int x, y;
    };
    struct Case {
        std::vector<Move> moves;
        bool ends;  // on the last move
    };
    std::vector<Move> creep;
    for (int i = 0; i < 300; ++i) creep.push_back({100 + i, 100 + i});
    const Case cases[] = {
        {{{700, 500}}, false},                          // the first message only records
        {{{-32768, 32767}}, false},
        {{{0, 0}, {1, 1}, {2, 2}, {1, 2}, {1, 1}}, false},  // steps of one pixel
        {creep, false},                                 // however far they add up
        {{{0, 0}, {2, 0}}, true},                       // two on one axis
        {{{0, 0}, {0, -2}}, true},
        {{{5, 5}, {5, 5}, {5, 7}}, true},
    };
    for (const Case& c : cases) {
        InFreshProcess([&c] {
            uint64_t frame = 2;
            for (const Move& m : c.moves) Mouse(AfterFrames(frame++), m.x, m.y, MK_LBUTTON | MK_CONTROL);
            uint64_t ended = frame - 1;
            Close(AfterFrames(frame + 1));
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_EQ(Flips(), c.ends ? ended : frame + 1);
            EXPECT_EQ(MouseMoveCount, static_cast<int32_t>(c.moves.size()));
            EXPECT_TRUE(MessageBoxes().empty());
        });
    }
}

TEST(Commands, MouseStateSurvivesAModeSwitch) {
    for (bool jump : {false, true}) {
        InFreshProcess([jump] {
            Mouse(AfterFrames(2), 300, 300);
            Key(AfterFrames(3), '1');
            Mouse(AfterFrames(4), jump ? 302 : 301, 300);
            Close(AfterFrames(6));
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_EQ(Flips(), jump ? 4u : 6u);
        });
    }
}

TEST(Commands, SwitchFailingHalfWayReleasesEverything) {
    const std::pair<Call, int> faults[] = {
        {Call::CreateSurface, 2}, {Call::Lock, 2}, {Call::CreatePalette, 2}, {Call::SetCooperativeLevel, 1}};
    for (auto [call, nth] : faults) {
        InFreshProcess([call = call, nth = nth] {
            Key(AfterFrames(2), '4');
            OnFlip([=](uint64_t flips) {
                if (flips == 2) FailAt(call, nth, DDERR_GENERIC);
            });
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_FALSE(MessageBoxes().empty()) << CallName(call);
            EXPECT_EQ(Flips(), 2u);
            EXPECT_EQ(LiveObjects(), 0);
        });
    }
}
