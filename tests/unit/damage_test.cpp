// Damage: the region arithmetic, and the region each flip hands the back end
// checked against the pixels (the headless screen compares every pixel
// outside it with the picture presented before).
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "damage.h"
#include "display/display.h"
#include "scenario.h"

using namespace headless;

namespace {

std::vector<std::vector<int>> Rects(const DamageRegion& region) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < region.count; ++i) {
        const DamageRect& r = region.rects[i];
        out.push_back({r.left, r.top, r.right, r.bottom});
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(Damage, RectanglesMergeWhereItCostsNothingAndStaySeparateElsewhere) {
    struct Case {
        const char* what;
        std::vector<DamageRect> added;
        std::vector<std::vector<int>> expected;
    };
    const Case cases[] = {
        {"empty and inverted rectangles add nothing", {{5, 5, 5, 9}, {9, 9, 3, 3}}, {}},
        {"clipped to the picture", {{-10, -10, 20, 20}, {90, 50, 150, 70}}, {{0, 0, 20, 20}, {90, 50, 100, 70}}},
        {"a rectangle inside another is dropped", {{10, 10, 50, 50}, {20, 20, 30, 30}}, {{10, 10, 50, 50}}},
        {"one covering another replaces it", {{20, 20, 30, 30}, {10, 10, 50, 50}}, {{10, 10, 50, 50}}},
        {"side by side along a row becomes one", {{0, 0, 8, 12}, {8, 0, 16, 12}, {16, 0, 24, 12}}, {{0, 0, 24, 12}}},
        {"a sprite moved two pixels: one box", {{10, 10, 74, 42}, {12, 11, 76, 43}}, {{10, 10, 76, 43}}},
        {"far apart stay apart", {{0, 0, 10, 10}, {50, 50, 60, 60}}, {{0, 0, 10, 10}, {50, 50, 60, 60}}},
        {"a merge that reaches a third takes it too",
         {{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 0, 30, 10}},
         {{0, 0, 30, 10}}},
    };
    for (const Case& c : cases) {
        DamageRegion region;
        for (const DamageRect& r : c.added) DamageAdd(region, r, 100, 80);
        EXPECT_EQ(Rects(region), c.expected) << c.what;
    }
}

TEST(Damage, AFullListMergesTheCheapestPairAndNeverLosesAPixel) {
    // One far-apart square more than the list holds: the two nearest merge.
    DamageRegion region;
    const int n = DamageRegion::Capacity;
    for (int i = 0; i < n; ++i) DamageAdd(region, {i * 60, 0, i * 60 + 10, 10}, 1000, 1000);
    DamageAdd(region, {0, 20, 10, 30}, 1000, 1000);
    EXPECT_EQ(region.count, n);
    EXPECT_EQ(Rects(region)[0], (std::vector<int>{0, 0, 10, 30}));

    // Random rectangles: the region stays within its list and covers every
    // pixel ever added.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        DamageRegion r;
        std::vector<bool> added(64 * 48);
        for (int n = 0; n < 20; ++n) {
            int x = int(random() % 70) - 3, y = int(random() % 52) - 2;
            DamageRect d{x, y, x + int(random() % 20), y + int(random() % 15)};
            DamageAdd(r, d, 64, 48);
            for (int py = std::max(d.top, 0); py < std::min(d.bottom, 48); ++py)
                for (int px = std::max(d.left, 0); px < std::min(d.right, 64); ++px) added[py * 64 + px] = true;
        }
        ASSERT_LE(r.count, DamageRegion::Capacity);
        int64_t covered = 0;
        for (int py = 0; py < 48; ++py)
            for (int px = 0; px < 64; ++px) {
                bool in = DamageCovers(r, px, py);
                covered += in;
                ASSERT_TRUE(!added[py * 64 + px] || in) << "round " << round << " lost (" << px << ", " << py << ")";
            }
        EXPECT_EQ(DamageArea(r), covered) << "overlaps are counted once";
    }
}

// What the back end is told must be exact over everything the program does:
// bring-up, styles (painting both buffers through locks), mode switches
// (new surfaces and palettes), refused copies and failed flips.
TEST(Damage, EveryPresentedPictureDiffersFromTheLastOnlyInsideItsDamage) {
    InFreshProcess([] {
        SetCheckDamage(true);
        for (int i = 0; i < 9; ++i) Key(AfterFrames(10 + i * 25), 'B');
        const unsigned modes[] = {'1', '7', '3', '7', '4', '6', '2'};
        for (int i = 0; i < 7; ++i) Key(AfterFrames(30 + i * 30), modes[i]);
        OnFlip([](uint64_t flips) {
            if (flips == 100) FailAt(Call::BltFast, 2, DDERR_GENERIC);
            if (flips == 120) FailAt(Call::Flip, 1, DDERR_GENERIC);
            if (flips == 150) FailAt(Call::BltFast, 1, DDERR_INVALIDRECT);
        });
        Close(AfterFrames(300));
        EXPECT_EQ(RunWinMain(), 0);
        const DamageReport& report = DamageCheck();
        EXPECT_GE(report.presents, 300u);
        EXPECT_EQ(report.wrongStretches, 0u) << report.firstWrong;
    });
}

// Steady frames present a few small rectangles, not the screen.
TEST(Damage, ASteadyFrameDamagesTheCardsAndThePanelOnly) {
    InFreshProcess([] {
        Key(AfterFrames(0), 'B');
        OnFlip([](uint64_t flips) {
            if (flips == 20) SetCheckDamage(true);  // from here on: steady frames only
        });
        Close(AfterFrames(120));
        EXPECT_EQ(RunWinMain(), 0);
        const DamageReport& report = DamageCheck();
        ASSERT_GE(report.presents, 90u);
        EXPECT_EQ(report.wrongStretches, 0u) << report.firstWrong;
        // Around three moving cards with their captions, and the panel's
        // changing digits: no more than 2% of 800x600. A box around all
        // the cards at once would be several times that.
        uint64_t perFrame = report.damagedPixels / report.presents;
        EXPECT_GT(perFrame, 3u * 32 * 16) << "the cards move every frame";
        EXPECT_LT(perFrame, 800u * 600 / 50);
    });
}

// The check itself sees a change it was not told of: pixels written through
// a pointer kept past Unlock.
TEST(Damage, TheCheckCatchesAWriteTheDamageMissed) {
    InFreshProcess([] {
        SetCheckDamage(true);
        uint8_t* stale = nullptr;
        int pitch = 0;
        OnFlip([&](uint64_t flips) {
            if (flips == 5) {
                DDSURFACEDESC desc{};
                desc.dwSize = sizeof desc;
                ASSERT_EQ(BackBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
                stale = static_cast<uint8_t*>(desc.lpSurface);
                pitch = desc.lPitch;
                BackBuffer->Unlock(nullptr);
            }
            if (flips == 7) stale[599 * pitch + 799] ^= 0x55;  // the same buffer is the back one again
        });
        Close(AfterFrames(12));
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_GT(DamageCheck().wrongStretches, 0u);
        EXPECT_NE(DamageCheck().firstWrong.find("(799, 599)"), std::string::npos) << DamageCheck().firstWrong;
    });
}
