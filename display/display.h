// The display: DirectDraw object, mode, surfaces and palette; bring-up,
// loading, background painting, release and the fatal path.
#pragma once
#include <cstdint>

#include "platform.h"

// The current display mode; only SwitchDisplayMode changes it.
extern int32_t ScreenWidth;
extern int32_t ScreenHeight;
extern int32_t ScreenBpp;

extern HWND MainWindow;
extern LPDIRECTDRAW DirectDrawObject;
extern LPDIRECTDRAWSURFACE PrimarySurface;
extern LPDIRECTDRAWSURFACE BackBuffer;
extern LPDIRECTDRAWSURFACE BackgroundSurface;
extern LPDIRECTDRAWSURFACE CaptionSurface;
extern LPDIRECTDRAWSURFACE FontSurface;
extern LPDIRECTDRAWPALETTE ScreenPalette;

extern int32_t BackgroundStyle;
extern uint8_t ShowCounters;
extern const BYTE BackgroundColours[7];

int InitDirectDraw(HWND window, int32_t width, int32_t height, int32_t bpp);
void ReleaseAllObjects();
void FatalError(HWND window, const char* step);
void Trace(const char* text);
void Trace(int32_t value);

int CreateSurfaces();
int PrepareSurfaces();
LPDIRECTDRAWPALETTE CreatePaletteFromBMPResource(LPDIRECTDRAW object, int32_t id);
int LoadSurfaceFromBMPResource(LPDIRECTDRAWSURFACE surface, int32_t id);

int FillBackground(LPDIRECTDRAWSURFACE surface, int32_t style);
void CycleBackground();
