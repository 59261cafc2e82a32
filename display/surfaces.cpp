// The surface set of one display mode: the flipping pair, the background
// copy and the four 64 x 64 sheets, the sheets keyed on the transparent index.
#include <cstring>

#include "display/display.h"
#include "scene/scene.h"

namespace {

HRESULT CreateOffscreen(LPDIRECTDRAWSURFACE* surface, DWORD width, DWORD height) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    return DirectDrawObject->CreateSurface(&desc, surface, NULL);
}

}  // namespace

int CreateSurfaces() {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if (DirectDrawObject->CreateSurface(&desc, &PrimarySurface, NULL) != DD_OK) return 0;

    DDSCAPS caps;
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (PrimarySurface->GetAttachedSurface(&caps, &BackBuffer) != DD_OK) return 0;

    DDCOLORKEY key;
    key.dwColorSpaceLowValue = TRANSPARENT_INDEX;
    key.dwColorSpaceHighValue = TRANSPARENT_INDEX;

    if (CreateOffscreen(&BackgroundSurface, ScreenWidth, ScreenHeight) != DD_OK) return 0;
    if (CreateOffscreen(&FontSurface, 64, 64) != DD_OK) return 0;
    FontSurface->SetColorKey(DDCKEY_SRCBLT, &key);
    for (SpriteRecord& card : SpriteTable)
        if (CreateOffscreen(&card.surface, card.width, card.height) != DD_OK) return 0;
    if (CreateOffscreen(&CaptionSurface, 64, 64) != DD_OK) return 0;
    CaptionSurface->SetColorKey(DDCKEY_SRCBLT, &key);
    for (SpriteRecord& card : SpriteTable) card.surface->SetColorKey(DDCKEY_SRCBLT, &key);
    return 1;
}
