// Palette and pictures from the bitmap resources, read at fixed offsets of
// the packed 64 x 64 8-bit layout.
#include <cstring>

#include "display/display.h"
#include "scene/scene.h"

namespace {

constexpr int ColourTableOffset = 40;
constexpr int BitmapBytes = 5160;
constexpr int SheetSide = 64;

void BuildPalette(const BYTE* bitmap, PALETTEENTRY entries[256]) {
    BYTE table[1024];
    std::memcpy(table, bitmap + ColourTableOffset, sizeof table);
    for (int i = 0; i < 256; ++i) {
        entries[i].peRed = table[4 * i + 2];
        entries[i].peGreen = table[4 * i + 1];
        entries[i].peBlue = table[4 * i + 0];
        entries[i].peFlags = 0;
    }
}

}  // namespace

LPDIRECTDRAWPALETTE CreatePaletteFromBMPResource(LPDIRECTDRAW object, int32_t id) {
    Trace("CreatePaletteFromBMPResource");
    Trace("\n");
    HRSRC found = FindResource(NULL, MAKEINTRESOURCE(id), RT_BITMAP);
    if (!found) {
        Trace("CreatePalette FindResource error\n");
        return NULL;
    }
    Trace("CreatePalette FindResource success\n");
    HGLOBAL loaded = LoadResource(NULL, found);
    const BYTE* bitmap = static_cast<const BYTE*>(LockResource(loaded));
    // A resource too short to hold the colour table is as good as missing.
    if (!bitmap || SizeofResource(NULL, found) < ColourTableOffset + 1024) return NULL;
    PALETTEENTRY entries[256];
    BuildPalette(bitmap, entries);
    Trace("CreatePalette LoadResource success\n");

    LPDIRECTDRAWPALETTE palette = NULL;
    if (object->CreatePalette(DDPCAPS_8BIT, entries, &palette, NULL) != DD_OK) {
        FatalError(MainWindow, "CreatePalette error");
        Trace("CreatePalette CreatePalette error\n");
        return NULL;
    }
    Trace("CreatePalette CreatePalette success\n");
    FreeResource(loaded);
    Trace("FreeResource(hgl); success\n");
    Trace("CreatePaletteFromBMPResource end\n");
    return palette;
}

int LoadSurfaceFromBMPResource(LPDIRECTDRAWSURFACE surface, int32_t id) {
    HRSRC found = FindResource(NULL, MAKEINTRESOURCE(id), RT_BITMAP);
    if (!found) return 0;
    HGLOBAL loaded = LoadResource(NULL, found);
    const BYTE* bitmap = static_cast<const BYTE*>(LockResource(loaded));
    // The copy below reads fixed offsets: a short resource is a failed load.
    if (!bitmap || SizeofResource(NULL, found) < BitmapBytes) return 0;
    PALETTEENTRY entries[256];
    BuildPalette(bitmap, entries);
    FreeResource(loaded);

    LPDIRECTDRAWPALETTE palette = NULL;
    if (DirectDrawObject->CreatePalette(DDPCAPS_8BIT, entries, &palette, NULL) != DD_OK) return 0;
    surface->SetPalette(palette);
    // The surface keeps the palette alive for as long as it needs it.
    palette->Release();

    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    if (surface->Lock(NULL, &desc, 0, NULL) != DD_OK) return 0;
    // The copy writes 64 rows of 64 bytes: the surface must hold them.
    if (!desc.lpSurface || desc.dwWidth < SheetSide || desc.dwHeight < SheetSide ||
        desc.lPitch < SheetSide) {
        surface->Unlock(NULL);
        return 0;
    }
    int32_t w = static_cast<int32_t>(desc.dwWidth);
    Trace("sizeof(Palette) = ");
    Trace(1024);
    Trace("\n");
    Trace("sizeof(BITMAPFILEHEADER) = ");
    Trace(14);
    Trace("\n");
    Trace("sizeof(BITMAPINFOHEADER) = ");
    Trace(40);
    Trace("\n");
    Trace("sizeof(BITMAPINFO) = ");
    Trace(44);
    Trace("\n");
    Trace("Memory for sprite ");
    Trace(BitmapBytes - w);
    Trace(" allocated\n");

    // Rows are stored bottom-up: the last 64 bytes are the picture's top row.
    const BYTE* source = bitmap + (BitmapBytes - SheetSide);
    BYTE* destination = static_cast<BYTE*>(desc.lpSurface);
    for (int row = 0; row < SheetSide; ++row) {
        std::memcpy(destination, source, SheetSide);
        source -= SheetSide;
        destination += desc.lPitch;
    }
    surface->Unlock(NULL);
    return 1;
}

int PrepareSurfaces() {
    ScreenPalette = CreatePaletteFromBMPResource(DirectDrawObject, IDB_CARD_1);
    if (!ScreenPalette) return 0;
    PrimarySurface->SetPalette(ScreenPalette);
    for (int i = 0; i < CARD_COUNT; ++i) {
        if (!LoadSurfaceFromBMPResource(SpriteTable[i].surface, SpriteSheetIds[i]) ||
            !LoadSurfaceFromBMPResource(CaptionSurface, IDB_CAPTIONS) ||
            !LoadSurfaceFromBMPResource(FontSurface, IDB_DIGITS)) {
            FatalError(MainWindow, "Error loading from resource!");
            return 0;
        }
    }
    return 1;
}
