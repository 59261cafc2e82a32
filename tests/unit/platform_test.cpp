// Our window system and DirectDraw: the Windows behaviours the program relies on.
#include <cstring>
#include <string>
#include <vector>

#include "scenario.h"

using namespace headless;

namespace {

std::vector<UINT> Seen;
LRESULT CreateAnswer;

LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Seen.push_back(message);
    if (message == WM_CREATE) return CreateAnswer;
    return DefWindowProc(window, message, wParam, lParam);
}

HWND MakeWindow(const char* name) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Recorder;
    wc.lpszClassName = name;
    RegisterClassEx(&wc);
    return CreateWindowEx(0, name, "t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

struct Display {
    LPDIRECTDRAW dd = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr, back = nullptr;
    Display(HWND window, int w, int h) {
        SetModes({{w, h}});
        EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
        EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        EXPECT_EQ(dd->SetDisplayMode(w, h, 8), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        EXPECT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    }
    LPDIRECTDRAWSURFACE Plain(int w, int h) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = w;
        desc.dwHeight = h;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        LPDIRECTDRAWSURFACE s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
        return s;
    }
};

}  // namespace

TEST(Platform, CreationAnsweredMinusOneDestroysTheWindow) {
    InFreshProcess([] {
        CreateAnswer = -1;
        EXPECT_EQ(MakeWindow("A"), nullptr);
        EXPECT_EQ(Seen, (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
        Seen.clear();
        CreateAnswer = 0;
        HWND w = MakeWindow("B");
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(Seen, (std::vector<UINT>{WM_CREATE}));
        ShowWindow(w, SW_SHOWNORMAL);
        EXPECT_EQ(Seen.back(), static_cast<UINT>(WM_ACTIVATE));
        EXPECT_TRUE(DestroyWindow(w));
        EXPECT_EQ(Seen.back(), static_cast<UINT>(WM_DESTROY));
        size_t count = Seen.size();
        EXPECT_FALSE(DestroyWindow(w)) << "a window that is gone";
        EXPECT_EQ(Seen.size(), count);
        EXPECT_FALSE(ShowWindow(w, SW_HIDE));
    });
}

TEST(Platform, PostedMessagesComeBeforeTimersAndQuit) {
    InFreshProcess([] {
        HWND w = MakeWindow("C");
        ASSERT_EQ(SetTimer(w, 9, 10, nullptr), 9u);
        SetIdleMicros(50000);  // every empty poll lets 50 ms pass
        MSG m;
        EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
        PostMessage(w, WM_KEYDOWN, 'X', 0);
        PostQuitMessage(3);
        PostMessage(w, WM_KEYDOWN, 'Y', 0);
        std::vector<std::pair<UINT, WPARAM>> order;
        for (int i = 0; i < 5 && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) order.push_back({m.message, m.wParam});
        EXPECT_EQ(order, (std::vector<std::pair<UINT, WPARAM>>{
                             {WM_KEYDOWN, 'X'}, {WM_KEYDOWN, 'Y'}, {WM_QUIT, 3}, {WM_TIMER, 9}}));
        EXPECT_TRUE(KillTimer(w, 9));
        EXPECT_FALSE(KillTimer(w, 9));
    });
}

TEST(Platform, WsprintfFormatsAndStaysWithinItsLimit) {
    char buffer[2048];
    EXPECT_EQ(wsprintf(buffer, "a %s b", "xyz"), 7);
    EXPECT_STREQ(buffer, "a xyz b");
    std::string longText(3000, 'q');
    EXPECT_EQ(wsprintf(buffer, "%s!", longText.c_str()), 1023);
    EXPECT_EQ(std::strlen(buffer), 1023u);
}

TEST(Platform, BltFastRefusesRectanglesOutsideEitherSurface) {
    struct Case {
        DWORD x, y;
        RECT source;
        bool accepted;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 8, 8}, true},
        {92, 92, {0, 0, 8, 8}, true},          // touches the far corner
        {93, 92, {0, 0, 8, 8}, false},         // one column off the destination
        {DWORD(-1), 0, {0, 0, 8, 8}, false},   // a negative place
        {0, 0, {-1, 0, 7, 8}, false},          // outside the source
        {0, 0, {0, 0, 17, 8}, false},
        {0, 0, {4, 4, 4, 8}, false},           // empty
    };
    InFreshProcess([&] {
        HWND w = MakeWindow("D");
        Display d(w, 100, 100);
        LPDIRECTDRAWSURFACE source = d.Plain(16, 16), target = d.Plain(100, 100);
        FillSurface(source, 7);
        for (const Case& c : cases) {
            FillSurface(target, 0);
            RECT r = c.source;
            HRESULT hr = target->BltFast(c.x, c.y, source, &r, DDBLTFAST_WAIT);
            EXPECT_EQ(hr == DD_OK, c.accepted) << c.x << "," << c.y;
            SurfaceImage image = ReadSurface(target);
            size_t changed = 0;
            for (uint8_t b : image.bytes) changed += b != 0;
            EXPECT_EQ(changed, c.accepted ? size_t((r.right - r.left) * (r.bottom - r.top)) : 0u);
        }
    });
}

TEST(Platform, KeyedCopySkipsTheKeyRangeAndFlipExchangesThePair) {
    InFreshProcess([] {
        HWND w = MakeWindow("E");
        Display d(w, 64, 64);
        LPDIRECTDRAWSURFACE sheet = d.Plain(4, 1);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(sheet->Lock(nullptr, &desc, 0, nullptr), DD_OK);
        const uint8_t row[4] = {226, 227, 228, 227};
        std::memcpy(desc.lpSurface, row, 4);
        sheet->Unlock(nullptr);
        RECT all{0, 0, 4, 1};
        EXPECT_NE(d.back->BltFast(0, 0, sheet, &all, DDBLTFAST_SRCCOLORKEY), DD_OK) << "no key set yet";
        DDCOLORKEY key{227, 227};
        ASSERT_EQ(sheet->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        FillSurface(d.back, 9);
        FillSurface(d.primary, 5);
        ASSERT_EQ(d.back->BltFast(0, 0, sheet, &all, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
        ASSERT_EQ(d.primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        SurfaceImage front = ReadSurface(d.primary), back = ReadSurface(d.back);
        EXPECT_EQ((std::vector<int>{front.at(0, 0), front.at(1, 0), front.at(2, 0), front.at(3, 0), front.at(9, 9)}),
                  (std::vector<int>{226, 9, 228, 9, 9}));
        EXPECT_EQ(back.at(0, 0), 5);
        EXPECT_EQ(LastScreen().pixels[2], 228) << "the flip shows the new front";
    });
}

TEST(Platform, ReferenceCountsAndTheChain) {
    InFreshProcess([] {
        HWND w = MakeWindow("F");
        {
            Display d(w, 32, 32);
            PALETTEENTRY entries[256] = {};
            LPDIRECTDRAWPALETTE palette = nullptr;
            ASSERT_EQ(d.dd->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr), DD_OK);
            d.primary->SetPalette(palette);
            EXPECT_EQ(palette->Release(), 1u) << "the surface holds it";
            EXPECT_EQ(LiveObjects(), 1 + 2 + 1);
            // Releasing the back buffer's own reference leaves the chain.
            d.back->Release();
            EXPECT_EQ(LiveObjects(), 4);
            EXPECT_EQ(d.primary->Release(), 0u);
            EXPECT_EQ(LiveObjects(), 1) << "chain and its palette go with the primary";
            EXPECT_EQ(d.dd->Release(), 0u);
        }
        EXPECT_EQ(LiveObjects(), 0);
        // Exclusive control needs a live window.
        LPDIRECTDRAW dd = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
        EXPECT_NE(dd->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        EXPECT_NE(dd->SetDisplayMode(800, 600, 8), DD_OK) << "no mode without exclusive control";
        dd->Release();
    });
}
