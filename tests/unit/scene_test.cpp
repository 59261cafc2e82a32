// The cards' motion, frames, backgrounds and the counter panel.
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/posix/resources.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

struct Pos {
    int32_t x, y;
    bool operator==(const Pos&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Pos& p) { return os << "(" << p.x << ", " << p.y << ")"; }

std::vector<Pos> Positions() {
    std::vector<Pos> p;
    for (const SpriteRecord& card : SpriteTable) p.push_back({card.x, card.y});
    return p;
}

// Brings the display up in-process at a mode, as the first bring-up does.
void BringUp(int width = 800, int height = 600) {
    HWND window = CreateProgramWindow();
    ScreenWidth = width;
    ScreenHeight = height;
    ASSERT_EQ(InitDirectDraw(window, width, height, 8), 1);
}

// A sheet as its bitmap resource holds it, found by its number: after the
// header and the colour table, 64 rows of 64 indices, the bottom row first.
SurfaceImage SheetOf(unsigned id) {
    SurfaceImage sheet{64, 64, 64, {}};
    for (unsigned i = 0; i < EmbeddedResourceCount; ++i) {
        const EmbeddedResource& r = EmbeddedResources[i];
        if (r.id != id || r.type != 2 || r.size != 5160) continue;
        for (int row = 0; row < 64; ++row) {
            const unsigned char* stored = r.data + 1064 + 64 * (63 - row);
            sheet.bytes.insert(sheet.bytes.end(), stored, stored + 64);
        }
    }
    EXPECT_EQ(sheet.bytes.size(), 64u * 64u) << "no bitmap " << id;
    return sheet;
}

// Whether the sheet's opaque pixels in `from` appear on `screen` at (x, y).
void ExpectPictureAt(const SurfaceImage& screen, const SurfaceImage& sheet, RECT from, int x, int y,
                     const std::string& what) {
    int opaque = 0;
    for (int row = from.top; row < from.bottom; ++row)
        for (int col = from.left; col < from.right; ++col) {
            uint8_t s = sheet.at(col, row);
            if (s == TRANSPARENT_INDEX) continue;
            ++opaque;
            ASSERT_EQ(screen.at(x + col - from.left, y + row - from.top), s)
                << what << " at sheet (" << col << ", " << row << ")";
        }
    EXPECT_GT(opaque, 0) << what << " has no opaque pixel to find";
}

// Which digit each of a number's eight cells shows on `screen`, '.' for a
// cell that holds only background, by matching the font's glyphs.
std::string CellsAt(const SurfaceImage& screen, const SurfaceImage& font, int x, int y) {
    std::string cells;
    for (int i = 0; i < 8; ++i) {
        int cx = x + 8 * i;
        char shown = '?';
        if (cx + 8 > screen.width) {
            cells += '-';
            continue;
        }
        for (int d = -1; d <= 9 && shown == '?'; ++d) {
            bool match = true;
            for (int row = 0; row < 12 && match; ++row)
                // Column 7 is never a glyph's; at the screen's edge it is the frame.
                for (int col = 0; col < 7 && match; ++col) {
                    bool lit = false;
                    if (d >= 0) {
                        RECT r = DigitRects[d];
                        lit = font.at(r.left + col, r.top + row) != TRANSPARENT_INDEX;
                    }
                    bool white = screen.at(cx + col, y + row) == 255;
                    match = lit == white;
                }
            if (match) shown = d < 0 ? '.' : char('0' + d);
        }
        cells += shown;
    }
    return cells;
}

// The cells a number shows: its first eight characters, digits as they are,
// anything else and the rest as background.
std::string Cells(const std::string& text) {
    std::string cells;
    for (size_t i = 0; i < 8; ++i) cells += i < text.size() && text[i] != '-' ? text[i] : '.';
    return cells;
}

}  // namespace

TEST(Scene, GeneratorSequenceAndStartValues) {
    InFreshProcess([] {
        // The start-up initialisation has already taken nine draws.
        EXPECT_EQ(Positions(), (std::vector<Pos>{{9, 451}, {68, 553}, {246, 542}}));
        EXPECT_EQ((std::vector<int32_t>{SpriteTable[0].frame, SpriteTable[1].frame, SpriteTable[2].frame}),
                  (std::vector<int32_t>{6, 4, 2}));
        for (const SpriteRecord& card : SpriteTable) {
            EXPECT_EQ(card.dx, 1);
            EXPECT_EQ(card.dy, 1);
            EXPECT_EQ(card.width, 64u);
            EXPECT_EQ(card.height, 64u);
            EXPECT_EQ(card.lastFrame, 7);
            EXPECT_EQ(card.prevX, 0);
            EXPECT_EQ(card.surface, nullptr);
        }
        RandomSeed = 1;
        std::vector<int32_t> drawn;
        for (int i = 0; i < 17; ++i) drawn.push_back(NextRandom());
        EXPECT_EQ(drawn, (std::vector<int32_t>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464,
                                               5705, 28145, 23281, 16827, 9961, 491, 2995}));
        RandomSeed = 1;
        NextRandom();
        EXPECT_EQ(RandomSeed, 2745024u);
        // The state wraps modulo 2^32 and results stay in 0..32767.
        RandomSeed = 0xFFFFFFFFu;
        for (int i = 0; i < 1000; ++i) {
            int32_t r = NextRandom();
            ASSERT_GE(r, 0);
            ASSERT_LE(r, 32767);
        }
    });
}

TEST(Scene, FirstFramesAtStartIncludingTheDoubleBounce) {
    InFreshProcess([] {
        std::vector<std::vector<Pos>> seen;
        std::vector<int32_t> dxOfCard2;
        Pos scattered[3];
        OnFlip([&](uint64_t flips) {
            seen.push_back(Positions());
            dxOfCard2.push_back(SpriteTable[2].dx);
            if (flips == 1) {
                EXPECT_EQ(TotalFrames, 1);
                EXPECT_EQ(FramesThisSecond, 1);
                for (int i = 0; i < 3; ++i) scattered[i] = {SpriteTable[i].prevX, SpriteTable[i].prevY};
            }
        });
        Key(AfterFrames(3), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ((std::vector<Pos>(scattered, scattered + 3)), (std::vector<Pos>{{432, 289}, {113, 465}, {-5, 345}}));
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], (std::vector<Pos>{{433, 290}, {114, 466}, {16, 346}}));
        EXPECT_EQ(seen[1][2], (Pos{16, 347}));
        EXPECT_EQ(seen[2][2], (Pos{18, 348}));
        EXPECT_EQ(dxOfCard2, (std::vector<int32_t>{-2, 2, 2}));
    });
}

TEST(Scene, BounceRuleAtBothBounds) {
    struct Case {
        int32_t x, y, dx, dy;
        int32_t x1, y1;      // after one step
        bool bouncesX, bouncesY;
    };
    // At 800 x 600: x from 16 to 752, y from 16 to 584.
    const Case cases[] = {
        {751, 300, 1, 1, 752, 301, false, false},   // reaches the high bound
        {752, 300, 1, 1, 752, 301, true, false},    // passes it
        {751, 300, 2, 1, 752, 301, true, false},
        {17, 300, -1, 1, 16, 301, true, false},     // reaches the low bound
        {18, 300, -2, 1, 16, 301, true, false},
        {300, 583, 1, 1, 301, 584, false, false},
        {300, 584, 1, 1, 301, 584, false, true},
        {300, 17, 1, -1, 301, 16, false, true},
        {752, 584, 2, 2, 752, 584, true, true},     // both: horizontal draw first
    };
    for (const Case& c : cases) {
        InFreshProcess([c] {
            RandomSeed = 1;  // next draws: 41 (m = 2), then 18467 (m = 2)
            SpriteRecord card{};
            card.x = c.x, card.y = c.y, card.dx = c.dx, card.dy = c.dy;
            MoveSprite(card);
            EXPECT_EQ((Pos{card.x, card.y}), (Pos{c.x1, c.y1})) << "from " << c.x << "," << c.y;
            EXPECT_EQ((Pos{card.prevX, card.prevY}), (Pos{c.x, c.y}));
            int draws = (c.bouncesX ? 1 : 0) + (c.bouncesY ? 1 : 0);
            RandomSeed = 1;
            for (int i = 0; i < draws; ++i) NextRandom();
            uint32_t seedAfter = RandomSeed;
            RandomSeed = 1;
            SpriteRecord again{};
            again.x = c.x, again.y = c.y, again.dx = c.dx, again.dy = c.dy;
            MoveSprite(again);
            EXPECT_EQ(RandomSeed, seedAfter) << "a step without a bounce draws nothing";
            EXPECT_EQ(card.dx, c.bouncesX ? (c.dx > 0 ? -2 : 2) : c.dx);
            // The vertical draw is the first or second: 41 and 18467 both give 2.
            EXPECT_EQ(card.dy, c.bouncesY ? (c.dy > 0 ? -2 : 2) : c.dy);
        });
    }
}

TEST(Scene, AnimationAdvancesOnTicksOnly) {
    InFreshProcess([] {
        AdvanceAnimation();
        EXPECT_EQ((std::vector<int32_t>{SpriteTable[0].frame, SpriteTable[1].frame, SpriteTable[2].frame}),
                  (std::vector<int32_t>{7, 5, 3}));
        AdvanceAnimation();
        EXPECT_EQ((std::vector<int32_t>{SpriteTable[0].frame, SpriteTable[1].frame, SpriteTable[2].frame}),
                  (std::vector<int32_t>{0, 6, 4}));
        AppActive = 0;
        OnTimer(nullptr, TIMER_ANIMATION);
        EXPECT_EQ(SpriteTable[0].frame, 0) << "no animation while inactive";
        AppActive = 1;
        OnTimer(nullptr, TIMER_ANIMATION);
        EXPECT_EQ(SpriteTable[0].frame, 1);
    });
}

TEST(Scene, BackgroundBytes) {
    // Each style's fill off the frame; style 7 alternates grey and black.
    const int fills[8] = {0, 128, 16, 2, 224, 28, 3, -1};
    struct Case {
        int style;
        int padding;
    };
    std::vector<Case> cases;
    for (int style = 0; style < 8; ++style) cases.push_back({style, 0});
    cases.push_back({1, 24});
    cases.push_back({7, 24});
    for (Case c : cases) {
        InFreshProcess([c, &fills] {
            SetPitchPadding(c.padding);
            BringUp();
            BackgroundStyle = c.style;
            FillSurface(BackgroundSurface, 90);  // unlike every style: style 0 must be seen painted too
            ASSERT_EQ(FillBackground(BackgroundSurface, c.style), 1);
            SurfaceImage image = ReadSurface(BackgroundSurface);
            const int pitch = 800 + c.padding, h = 600;
            ASSERT_EQ(image.pitch, pitch);
            for (int i = 0; i < pitch * h; ++i) {
                int col = i % pitch, row = i / pitch;
                bool frame = c.style != 0 && (col == 0 || col == pitch - 1 || row == 0 || row == h - 1);
                int fill = c.style == 7 ? (i % 2 == 0 ? 146 : 0) : fills[c.style];
                ASSERT_EQ(image.bytes[i], frame ? 255 : fill) << "byte " << i << " style " << c.style;
            }
            if (c.style == 1 && c.padding == 0) {
                EXPECT_EQ(image.bytes[801], 128);
                EXPECT_EQ(image.bytes[1599], 255);
                EXPECT_EQ(image.bytes[479200], 255);
            }
            if (c.padding > 0 && c.style != 0) {
                EXPECT_NE(image.at(799, 300), 255) << "no white line at the visible right edge";
            }
        });
    }
}

TEST(Scene, EightPressesOfBReturnToBlackAndHideThePanel) {
    InFreshProcess([] {
        BringUp();
        std::vector<int> styles, panel;
        for (int i = 0; i < 9; ++i) {
            OnKeyDown(MainWindow, 'B', TRUE, 1, 0);
            styles.push_back(BackgroundStyle);
            panel.push_back(ShowCounters);
        }
        EXPECT_EQ(styles, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
        EXPECT_EQ(panel, (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 0, 1}));
        // All three screen-sized surfaces show the style at once.
        for (LPDIRECTDRAWSURFACE s : {BackgroundSurface, PrimarySurface, BackBuffer})
            EXPECT_EQ(ReadSurface(s).at(400, 300), 128);
    });
}

TEST(Scene, DrawNumberCells) {
    struct Case {
        int32_t value;
        int32_t x, y;
        int width;
        const char* cells;  // digit per cell, '.' background only, '-' off the screen
    };
    const Case cases[] = {
        {0, 100, 100, 800, "0......."},
        {60, 728, 552, 800, "60......"},
        {123456789, 100, 100, 800, "12345678"},
        {-5, 100, 100, 800, ".5......"},
        // With a wider pitch the frame's right line lies off the screen.
        {768, 984, 700, 1024, "768..---"},
        {-2147483647 - 1, 100, 100, 800, ".2147483"},
    };
    for (const Case& c : cases) {
        InFreshProcess([c] {
            SetPitchPadding(8);
            BringUp(c.width, c.width == 1024 ? 768 : 600);
            BackgroundStyle = 3;
            FillBackground(BackgroundSurface, 3);
            // What lies under the panel before it is drawn differs from the
            // background, as where a card passed: a restore is seen.
            FillBackground(BackBuffer, 4);
            DrawNumber(c.value, c.x, c.y);
            SurfaceImage screen = ReadSurface(BackBuffer), font = ReadSurface(FontSurface);
            EXPECT_EQ(CellsAt(screen, font, c.x, c.y), c.cells) << c.value;
            // Around the glyphs all 12 rows of every cell show the restored
            // background, and the row under the cells is left as it was.
            for (int i = 0; i < 8 && c.x + 8 * i + 8 <= c.width; ++i)
                for (int col = 0; col < 8; ++col) {
                    const int x = c.x + 8 * i + col;
                    for (int row = 0; row < 12; ++row) {
                        uint8_t shown = screen.at(x, c.y + row);
                        EXPECT_TRUE(shown == 2 || (shown == 255 && col < 7))
                            << int(shown) << " at cell " << i << " (" << col << ", " << row << ") of " << c.value;
                    }
                    EXPECT_EQ(screen.at(x, c.y + 12), 224) << "under cell " << i << " column " << col;
                }
        });
    }
    InFreshProcess([] {
        BringUp();
        FillBackground(BackgroundSurface, 2);
        FillBackground(BackBuffer, 2);
        DrawNumber(100, 300, 300);
        DrawNumber(99, 300, 300);
        SurfaceImage screen = ReadSurface(BackBuffer), font = ReadSurface(FontSurface);
        EXPECT_EQ(CellsAt(screen, font, 300, 300), "99......") << "a shorter number leaves no stale digit";
    });
}

TEST(Scene, FirstFrameOnTheScreen) {
    InFreshProcess([] {
        Key(AfterFrames(1), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        // Cards 0, 1 and 2 show the bitmaps 101, 102 and 104; 107 holds the captions.
        const SurfaceImage sheets[3] = {SheetOf(101), SheetOf(102), SheetOf(104)}, captions = SheetOf(107);
        const Screen& shown = LastScreen();
        SurfaceImage screen{shown.width, shown.height, shown.width, shown.pixels};
        const Pos at[3] = {{433, 290}, {114, 466}, {16, 346}};
        // Frames 6, 4 and 2 (column f mod 2, row f div 2 of the sheet) and
        // caption rows 1, 0 and 2.
        const RECT frames[3] = {{0, 48, 32, 64}, {0, 32, 32, 48}, {0, 16, 32, 32}};
        const RECT captionRows[3] = {{0, 16, 64, 32}, {0, 0, 64, 16}, {0, 32, 64, 48}};
        for (int i = 0; i < 3; ++i) {
            ExpectPictureAt(screen, sheets[i], frames[i], at[i].x, at[i].y, "card " + std::to_string(i));
            ExpectPictureAt(screen, captions, captionRows[i], at[i].x - 16, at[i].y - 16,
                            "caption of card " + std::to_string(i));
        }
        // Elsewhere the screen is the black background, and no panel is drawn.
        EXPECT_EQ(screen.at(790, 590), 0);
        EXPECT_EQ(screen.at(740, 560), 0);
    });
}

TEST(Scene, CardsLeaveNoTrail) {
    InFreshProcess([] {
        BringUp();
        for (int i = 0; i < 3; ++i) OnKeyDown(MainWindow, 'B', TRUE, 1, 0);  // style 3: fill 2
        // Every card rises, so the bottom row of the frame it left lies
        // outside the one it now fills; these frames are opaque down to it.
        const int32_t steps[3][2] = {{-1, -1}, {1, -1}, {2, -2}};
        const int32_t frames[3] = {0, 4, 4};
        for (int i = 0; i < 3; ++i) {
            SpriteRecord& card = SpriteTable[i];
            card.x = card.prevX = 200 + 150 * i;
            card.y = card.prevY = 300;
            card.dx = steps[i][0];
            card.dy = steps[i][1];
            card.frame = frames[i];
        }
        for (int n = 1; n <= 6; ++n) {
            RenderFrame();
            if (n < 3) continue;  // from the third frame on, each buffer has held cards
            SurfaceImage front = ReadSurface(PrimarySurface);
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 800; ++x) {
                    bool underCard = false;
                    for (const SpriteRecord& card : SpriteTable)
                        underCard = underCard || (x >= card.x - 16 && x < card.x + 48 && y >= card.y - 16 &&
                                                  y < card.y + 16);
                    bool panel = x >= 728 && y >= 552 && y < 588;
                    if (underCard || panel) continue;
                    bool frame = x == 0 || y == 0 || x == 799 || y == 599;
                    ASSERT_EQ(front.at(x, y), frame ? 255 : 2) << "at (" << x << ", " << y << ") in frame " << n;
                }
        }
    });
}

TEST(Scene, CardTwoIsDrawnOverCardOne) {
    InFreshProcess([] {
        BringUp();
        // Put card 2 right on card 1; both will step the same way.
        for (int i = 1; i < 3; ++i) {
            SpriteTable[i].x = SpriteTable[i].prevX = 300;
            SpriteTable[i].y = SpriteTable[i].prevY = 300;
            SpriteTable[i].frame = 0;
        }
        RenderFrame();
        SurfaceImage front = ReadSurface(PrimarySurface), sheet2 = SheetOf(104);
        ExpectPictureAt(front, sheet2, RECT{0, 0, 32, 16}, 301, 301, "card 2 on top");
    });
}

TEST(Scene, PanelPlacesAt800x600And320x200) {
    struct Case {
        int key;
        int width, height;
    };
    for (Case c : {Case{'6', 800, 600}, Case{'1', 320, 200}, Case{'7', 1024, 768}}) {
        InFreshProcess([c] {
            SurfaceImage font;
            uint64_t lastFrame = 0;
            Key(AfterFrames(2), 'B');
            Key(AfterFrames(3), c.key);
            Key(AfterFrames(10), VK_ESCAPE);
            OnFlip([&](uint64_t flips) {
                if (flips == 9) font = ReadSurface(FontSurface);
                lastFrame = flips;
            });
            SetTimeLimitMicros(60000000);
            EXPECT_EQ(RunWinMain(), 0);
            const Screen& shown = LastScreen();
            ASSERT_EQ(shown.width, c.width);
            SurfaceImage screen{shown.width, shown.height, shown.width, shown.pixels};
            const int W = c.width, H = c.height;
            std::string heightCells = Cells(std::to_string(H));
            for (int i = 0; i < 8; ++i)
                if (W - 40 + 8 * i + 8 > W) heightCells[i] = '-';
            EXPECT_EQ(CellsAt(screen, font, W - 72, H - 48), Cells("0")) << "no counter tick yet";
            EXPECT_EQ(CellsAt(screen, font, W - 72, H - 36), Cells(std::to_string(lastFrame)));
            EXPECT_EQ(CellsAt(screen, font, W - 72, H - 24).substr(0, 4), Cells(std::to_string(W)).substr(0, 4));
            EXPECT_EQ(CellsAt(screen, font, W - 40, H - 24), heightCells);
        });
    }
}

TEST(Scene, ThePanelHidesACardPassingUnderIt) {
    InFreshProcess([] {
        BringUp();
        OnKeyDown(MainWindow, 'B', TRUE, 1, 0);  // style 1, panel on
        // Card 2 steps to (741, 561): its face-on frame fills rows 561 to 575,
        // the bottom rows of the panel's first two rows among them, and its
        // caption reaches above the panel.
        SpriteRecord& card = SpriteTable[2];
        card.x = card.prevX = 740;
        card.y = card.prevY = 560;
        card.dx = card.dy = 1;
        card.frame = 0;
        RenderFrame();
        SurfaceImage front = ReadSurface(PrimarySurface);
        int captionAbove = 0;
        for (int y = 545; y < 552; ++y)
            for (int x = 725; x < 789; ++x) captionAbove += front.at(x, y) != 128;
        EXPECT_GT(captionAbove, 0) << "the card is not where the panel should hide it";
        // Every cell of the panel: the background or a glyph's white.
        for (int y = 552; y < 588; ++y)
            for (int x = 728; x < 792; ++x) {
                uint8_t shown = front.at(x, y);
                ASSERT_TRUE(shown == 128 || shown == 255) << int(shown) << " at (" << x << ", " << y << ")";
            }
    });
}

TEST(Scene, AFrameAllocatesNothing) {
    InFreshProcess([] {
        SetCaptureScreen(false);
        uint64_t before = 0, after = 0;
        Key(AfterFrames(5), 'B');
        OnFlip([&](uint64_t flips) {
            if (flips == 100) before = AllocationCount();
            if (flips == 2100) {
                after = AllocationCount();
                PostMessage(MainWindow, WM_KEYDOWN, VK_ESCAPE, 1);
            }
        });
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_GT(before, 0u);
        EXPECT_EQ(after - before, 0u) << "allocations in 2000 frames with the panel";
    });
}

TEST(Scene, TotalFramesWrapsAsTwosComplement) {
    InFreshProcess([] {
        BringUp();
        TotalFrames = 2147483647;
        RenderFrame();
        EXPECT_EQ(TotalFrames, -2147483647 - 1);
        RenderFrame();
        EXPECT_EQ(TotalFrames, -2147483647);
    });
}
