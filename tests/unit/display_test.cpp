// Display bring-up, the surface set, bitmap loading, release and the fatal path.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "resources.h"
#include "scenario.h"
#include "scene/scene.h"
#include "shell/shell.h"

using namespace headless;

namespace {

std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const MessageBoxRecord& box : MessageBoxes()) {
        EXPECT_EQ(box.caption, "Velkaro");
        texts.push_back(box.text);
    }
    return texts;
}

std::vector<std::string> Fatal(std::initializer_list<const char*> steps) {
    std::vector<std::string> texts;
    for (const char* step : steps) texts.push_back(FatalText(step));
    return texts;
}

struct FaultCase {
    Call call;
    int nth;
    std::vector<const char*> steps;
};

// Every call of the bring-up that is tested, with the messages its failure shows.
std::vector<FaultCase> BringUpFaults() {
    std::vector<FaultCase> cases = {
        {Call::DirectDrawCreate, 1, {"DirectDrawCreate"}},
        {Call::SetCooperativeLevel, 1, {"SetCooperativeLevel"}},
        {Call::SetDisplayMode, 1, {"SetDisplayMode"}},
        {Call::GetAttachedSurface, 1, {"CreateSurfaces"}},
        {Call::CreatePalette, 1, {"CreatePalette error", "PrepareSurfaces"}},
        {Call::FindResource, 1, {"PrepareSurfaces"}},
    };
    for (int n = 1; n <= 7; ++n) cases.push_back({Call::CreateSurface, n, {"CreateSurfaces"}});
    // The nine loads: their find and palette follow the screen palette's.
    for (int n = 1; n <= 9; ++n) {
        cases.push_back({Call::FindResource, n + 1, {"Error loading from resource!", "PrepareSurfaces"}});
        cases.push_back({Call::CreatePalette, n + 1, {"Error loading from resource!", "PrepareSurfaces"}});
        cases.push_back({Call::Lock, n, {"Error loading from resource!", "PrepareSurfaces"}});
    }
    return cases;
}

}  // namespace

TEST(Display, EveryFailedBringUpStepShowsItsMessagesAndEndsCleanly) {
    for (const FaultCase& c : BringUpFaults()) {
        for (HRESULT result : {HRESULT(DDERR_GENERIC), HRESULT(1)}) {
            SCOPED_TRACE(std::string(CallName(c.call)) + " #" + std::to_string(c.nth) + " result " +
                         std::to_string(result));
            InFreshProcess([&] {
                FailAt(c.call, c.nth, result);
                EXPECT_EQ(RunWinMain(), 0);
                std::vector<std::string> expected;
                for (const char* step : c.steps) expected.push_back(FatalText(step));
                EXPECT_EQ(BoxTexts(), expected);
                ASSERT_FALSE(MessageBoxes().empty());
                EXPECT_TRUE(MessageBoxes()[0].windowAlive) << "the first box belongs to the live window";
                if (MessageBoxes().size() > 1) {
                    EXPECT_FALSE(MessageBoxes()[1].windowAlive);
                }
                for (const MessageBoxRecord& box : MessageBoxes())
                    EXPECT_EQ(box.liveObjects, 0) << "the display is released before the message";
                EXPECT_FALSE(WindowVisible());
                EXPECT_EQ(Flips(), 0u);
                EXPECT_EQ(LiveObjects(), 0);
                EXPECT_EQ(DirectDrawObject, nullptr);
            });
        }
    }
}

TEST(Display, FailedLoadStopsTheLaterLoads) {
    InFreshProcess([] {
        // The fifth load (caption sheet, second card) fails: four ran before it.
        FailAt(Call::Lock, 5, DDERR_SURFACEBUSY);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(CallCount(Call::Lock), 5);
        EXPECT_EQ(CallCount(Call::FindResource), 6);
    });
}

TEST(Display, BringsUpTheSurfaceSetForEachModeSize) {
    for (auto [width, height] : {std::pair{320, 200}, std::pair{1024, 768}, std::pair{800, 600}}) {
        InFreshProcess([width = width, height = height] {
            HWND window = CreateProgramWindow();
            ScreenWidth = width;
            ScreenHeight = height;
            ASSERT_EQ(InitDirectDraw(window, width, height, 8), 1);
            struct Expect {
                LPDIRECTDRAWSURFACE surface;
                int width, height;
                bool keyed;
            };
            const Expect surfaces[] = {
                {PrimarySurface, width, height, false},   {BackBuffer, width, height, false},
                {BackgroundSurface, width, height, false}, {FontSurface, 64, 64, true},
                {CaptionSurface, 64, 64, true},            {SpriteTable[0].surface, 64, 64, true},
                {SpriteTable[1].surface, 64, 64, true},    {SpriteTable[2].surface, 64, 64, true},
            };
            LPDIRECTDRAWSURFACE probe = FontSurface;
            for (const Expect& e : surfaces) {
                ASSERT_NE(e.surface, nullptr);
                SurfaceImage image = ReadSurface(e.surface);
                EXPECT_EQ(image.width, e.width);
                EXPECT_EQ(image.height, e.height);
                // A keyed source leaves its transparent pixels out of a keyed copy;
                // an unkeyed source cannot be copied with the key at all.
                RECT one{0, 0, 1, 1};
                HRESULT keyed = probe->BltFast(0, 0, e.surface, &one, DDBLTFAST_SRCCOLORKEY);
                EXPECT_EQ(keyed == DD_OK, e.keyed);
            }
            EXPECT_EQ(LiveObjects(), 1 + 8 + 1 + 5) << "display, 8 surfaces, screen palette, 5 sheet palettes";
        });
    }
}

TEST(Display, PicturesLandUprightAndThePaletteIsAttached) {
    InFreshProcess([] {
        SetPitchPadding(16);
        HWND window = CreateProgramWindow();
        ASSERT_EQ(InitDirectDraw(window, 800, 600, 8), 1);
        SurfaceImage font = ReadSurface(FontSurface);
        ASSERT_EQ(font.pitch, 80);
        for (int x = 0; x < 64; ++x) EXPECT_EQ(font.at(x, 0), TRANSPARENT_INDEX) << x;
        for (int x = 1; x <= 6; ++x) EXPECT_EQ(font.at(x, 1), 255) << x;
        // Bytes beyond the 64 of each row are not written by the load.
        for (int y = 0; y < 64; ++y)
            for (int x = 64; x < 80; ++x) ASSERT_EQ(font.at(x, y), 0) << x << "," << y;

        const Screen& screen = LastScreen();
        EXPECT_EQ(screen.width, 800);
        const PALETTEENTRY& magenta = screen.palette[227];
        EXPECT_EQ((std::vector<int>{magenta.peRed, magenta.peGreen, magenta.peBlue, magenta.peFlags}),
                  (std::vector<int>{255, 0, 255, 0}));
        const PALETTEENTRY& white = screen.palette[255];
        EXPECT_EQ((std::vector<int>{white.peRed, white.peGreen, white.peBlue}), (std::vector<int>{255, 255, 255}));
        for (const PALETTEENTRY& e : screen.palette) EXPECT_EQ(e.peFlags, 0);
    });
}

TEST(Display, ReleaseAllObjectsReleasesInOrderAndLeavesTheBackBuffer) {
    InFreshProcess([] {
        HWND window = CreateProgramWindow();
        ASSERT_EQ(InitDirectDraw(window, 800, 600, 8), 1);
        std::vector<const void*> expected = {
            PrimarySurface,         BackgroundSurface,      CaptionSurface, FontSurface, SpriteTable[0].surface,
            SpriteTable[1].surface, SpriteTable[2].surface, ScreenPalette,  DirectDrawObject};
        LPDIRECTDRAWSURFACE back = BackBuffer;
        std::vector<const void*> log;
        ddraw_LogReleases(&log);
        ReleaseAllObjects();
        ddraw_LogReleases(nullptr);
        // Palettes held by the sheets go with them, after their surfaces' own release.
        std::vector<const void*> programReleases;
        for (const void* p : log)
            if (std::find(expected.begin(), expected.end(), p) != expected.end()) programReleases.push_back(p);
        EXPECT_EQ(programReleases, expected);
        EXPECT_EQ(BackBuffer, back);
        for (LPDIRECTDRAWSURFACE s : {PrimarySurface, BackgroundSurface, CaptionSurface, FontSurface,
                                      SpriteTable[0].surface, SpriteTable[1].surface, SpriteTable[2].surface})
            EXPECT_EQ(s, nullptr);
        EXPECT_EQ(ScreenPalette, nullptr);
        EXPECT_EQ(DirectDrawObject, nullptr);
        EXPECT_EQ(LiveObjects(), 0);

        // A second call finds nothing to do.
        log.clear();
        ddraw_LogReleases(&log);
        ReleaseAllObjects();
        ddraw_LogReleases(nullptr);
        EXPECT_TRUE(log.empty());

        // The next bring-up forgets the stale back buffer before its first call.
        FailAt(Call::DirectDrawCreate, 1, DDERR_GENERIC);
        EXPECT_EQ(InitDirectDraw(window, 800, 600, 8), 0);
        EXPECT_EQ(BackBuffer, nullptr);
    });
}

TEST(Display, FailedSurfaceCreationReleasesWhatWasMade) {
    InFreshProcess([] {
        // The caption sheet (last creation) fails after the cards exist.
        HWND window = CreateProgramWindow();
        FailAt(Call::CreateSurface, 7, DDERR_OUTOFMEMORY);
        std::vector<const void*> log;
        ddraw_LogReleases(&log);
        EXPECT_EQ(InitDirectDraw(window, 800, 600, 8), 0);
        ddraw_LogReleases(nullptr);
        EXPECT_EQ(CallCount(Call::SetColorKey), 1) << "only the font was keyed";
        EXPECT_EQ(log.size(), 1u + 1 + 1 + 3 + 1) << "primary, background, font, three cards, display";
        EXPECT_EQ(LiveObjects(), 0);
        EXPECT_EQ(BoxTexts(), Fatal({"CreateSurfaces"}));
    });
    InFreshProcess([] {
        // Card 1's sheet fails: card 2 gets none and no caption sheet is tried.
        HWND window = CreateProgramWindow();
        FailAt(Call::CreateSurface, 5, DDERR_OUTOFMEMORY);
        EXPECT_EQ(InitDirectDraw(window, 800, 600, 8), 0);
        EXPECT_EQ(CallCount(Call::CreateSurface), 5);
        EXPECT_EQ(SpriteTable[2].surface, nullptr);
        EXPECT_EQ(LiveObjects(), 0);
    });
}

TEST(Display, FailingColourKeysAndPalettesDoNotStopTheBringUp) {
    for (Call call : {Call::SetColorKey, Call::SetPalette}) {
        InFreshProcess([call] {
            for (int n = 1; n <= 10; ++n) FailAt(call, n, DDERR_GENERIC);
            Key(AfterFrames(3), VK_ESCAPE);
            EXPECT_EQ(RunWinMain(), 0);
            EXPECT_TRUE(MessageBoxes().empty()) << CallName(call);
            EXPECT_EQ(Flips(), 3u);
            EXPECT_EQ(LiveObjects(), 0);
        });
    }
}

TEST(Display, FailingUnlockIsSurvived) {
    InFreshProcess([] {
        // The first card's sheet stays locked: its copies are refused, the
        // rest of the scene runs and the program ends cleanly.
        FailAt(Call::Unlock, 1, DDERR_GENERIC);
        Key(AfterFrames(5), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_TRUE(MessageBoxes().empty());
        EXPECT_EQ(Flips(), 5u);
        EXPECT_EQ(LiveObjects(), 0);
    });
}

TEST(Display, DamagedBitmapsFailTheirLoadInsteadOfBeingRead) {
    static unsigned char shortBitmap[5159];
    struct Case {
        unsigned id;
        uint32_t size;
        std::vector<const char*> steps;
    };
    const Case cases[] = {
        {IDB_DIGITS, 5159, {"Error loading from resource!", "PrepareSurfaces"}},
        {IDB_CAPTIONS, 0, {"Error loading from resource!", "PrepareSurfaces"}},
        {IDB_CARD_3, 100, {"Error loading from resource!", "PrepareSurfaces"}},
        {IDB_CARD_1, 1000, {"PrepareSurfaces"}},  // too short even for its palette
        {IDB_CARD_1, 0, {"PrepareSurfaces"}},
    };
    for (const Case& c : cases) {
        InFreshProcess([&] {
            res_Override(c.id, 2, shortBitmap, c.size);
            EXPECT_EQ(RunWinMain(), 0);
            std::vector<std::string> expected;
            for (const char* step : c.steps) expected.push_back(FatalText(step));
            EXPECT_EQ(BoxTexts(), expected) << "resource " << c.id << " of " << c.size << " bytes";
            EXPECT_EQ(LiveObjects(), 0);
        });
    }
}

TEST(Display, LoadRefusesASurfaceTooSmallForTheSheet) {
    InFreshProcess([] {
        HWND window = CreateProgramWindow();
        ASSERT_EQ(InitDirectDraw(window, 800, 600, 8), 1);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = 32;
        desc.dwHeight = 64;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        LPDIRECTDRAWSURFACE small = nullptr;
        ASSERT_EQ(DirectDrawObject->CreateSurface(&desc, &small, nullptr), DD_OK);
        EXPECT_EQ(LoadSurfaceFromBMPResource(small, IDB_DIGITS), 0);
        SurfaceImage image = ReadSurface(small);
        for (uint8_t b : image.bytes) ASSERT_EQ(b, 0);
        small->Release();
    });
}

TEST(Display, RepeatedBringUpsLeakNothing) {
    InFreshProcess([] {
        int liveAfterFirst = -1;
        OnFlip([&](uint64_t flips) {
            if (flips == 1) liveAfterFirst = LiveObjects();
            if (flips % 2 == 0 && flips < 40) PostMessage(MainWindow, WM_KEYDOWN, '1' + (flips / 2) % 7, 1);
            if (flips > 2 && flips % 2 == 1) {
                EXPECT_EQ(LiveObjects(), liveAfterFirst) << "after flip " << flips;
            }
        });
        Key(AfterFrames(41), VK_ESCAPE);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(LiveObjects(), 0);
        EXPECT_TRUE(MessageBoxes().empty());
    });
}

TEST(Display, NoDisplayAtStartReportsDirectDrawCreate) {
    InFreshProcess([] {
        SetDisplayAvailable(false);
        EXPECT_EQ(RunWinMain(), 0);
        EXPECT_EQ(BoxTexts(), Fatal({"DirectDrawCreate"}));
        EXPECT_EQ(Flips(), 0u);
        EXPECT_EQ(LiveObjects(), 0);
    });
}
