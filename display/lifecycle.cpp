// Bringing the display up, taking it down, and the one failure path.
#include "display/display.h"
#include "scene/scene.h"

int32_t ScreenWidth = 800;
int32_t ScreenHeight = 600;
int32_t ScreenBpp = 8;

HWND MainWindow;
LPDIRECTDRAW DirectDrawObject;
LPDIRECTDRAWSURFACE PrimarySurface;
LPDIRECTDRAWSURFACE BackBuffer;
LPDIRECTDRAWSURFACE BackgroundSurface;
LPDIRECTDRAWSURFACE CaptionSurface;
LPDIRECTDRAWSURFACE FontSurface;
LPDIRECTDRAWPALETTE ScreenPalette;

namespace {

template <typename Interface>
void ReleaseHandle(Interface*& handle) {
    if (handle) {
        handle->Release();
        handle = NULL;
    }
}

// "Программа прервана\nОшибка в %s" in Windows-1251.
const char FatalFormat[] =
    "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xEF\xF0\xE5\xF0\xE2\xE0\xED\xE0\n"
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 %s";

constexpr int FatalBufferSize = 256;
// What of the step name fits beside the fixed text and the terminator.
constexpr int FatalStepMax = FatalBufferSize - (int(sizeof(FatalFormat)) - 1 - 2) - 1;

}  // namespace

// Progress hook: deliberately discards everything.
void Trace(const char*) {}
void Trace(int32_t) {}

int InitDirectDraw(HWND window, int32_t width, int32_t height, int32_t bpp) {
    Trace("InitDirectDraw");
    Trace("\n");
    PrimarySurface = NULL;
    BackBuffer = NULL;
    BackgroundSurface = NULL;
    CaptionSurface = NULL;
    FontSurface = NULL;
    ScreenPalette = NULL;
    for (SpriteRecord& card : SpriteTable) card.surface = NULL;
    MainWindow = window;

    Trace("DirectDrawCreate start\n");
    if (DirectDrawCreate(NULL, &DirectDrawObject, NULL) != DD_OK) {
        FatalError(MainWindow, "DirectDrawCreate");
        return 0;
    }
    Trace("DirectDrawCreate success\n");
    if (DirectDrawObject->SetCooperativeLevel(MainWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) {
        FatalError(MainWindow, "SetCooperativeLevel");
        return 0;
    }
    Trace("SetCooperativeLevel success\n");
    if (DirectDrawObject->SetDisplayMode(width, height, bpp) != DD_OK) {
        FatalError(MainWindow, "SetDisplayMode");
        return 0;
    }
    if (!CreateSurfaces()) {
        FatalError(MainWindow, "CreateSurfaces");
        return 0;
    }
    if (!PrepareSurfaces()) {
        FatalError(MainWindow, "PrepareSurfaces");
        return 0;
    }
    ScatterSprites();
    FillBackground(BackgroundSurface, BackgroundStyle);
    FillBackground(PrimarySurface, BackgroundStyle);
    FillBackground(BackBuffer, BackgroundStyle);
    return 1;
}

// The back buffer goes with the primary surface's chain and is left alone.
void ReleaseAllObjects() {
    if (!DirectDrawObject) return;
    ReleaseHandle(PrimarySurface);
    ReleaseHandle(BackgroundSurface);
    ReleaseHandle(CaptionSurface);
    ReleaseHandle(FontSurface);
    for (SpriteRecord& card : SpriteTable) ReleaseHandle(card.surface);
    ReleaseHandle(ScreenPalette);
    ReleaseHandle(DirectDrawObject);
}

void FatalError(HWND window, const char* step) {
    char text[FatalBufferSize];
    ReleaseAllObjects();
    ShowWindow(window, SW_HIDE);
    // wsprintf takes no size: a name too long for the buffer is cut here.
    char name[FatalStepMax + 1];
    int n = 0;
    for (; step && step[n] && n < FatalStepMax; ++n) name[n] = step[n];
    name[n] = '\0';
    wsprintf(text, FatalFormat, name);
    MessageBox(window, text, "Velkaro", MB_OK);
    DestroyWindow(window);
}
