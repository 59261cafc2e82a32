// The first-version DirectDraw subset Velkaro uses, for builds without
// Windows: interfaces, structures, flags and result codes as DirectDraw
// defines them, implemented over software surfaces (ddraw.cpp).
#pragma once
#include "win_api.h"

struct GUID {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
struct IUnknown;

#define DD_OK 0
#define S_OK 0
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)

#define VELKARO_DDERR(code) ((HRESULT)(0x88760000u | (code)))
#define DDERR_GENERIC ((HRESULT)0x80004005u)
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001u)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057u)
#define DDERR_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define DDERR_INVALIDMODE VELKARO_DDERR(150)
#define DDERR_INVALIDOBJECT VELKARO_DDERR(130)
#define DDERR_INVALIDRECT VELKARO_DDERR(160)
#define DDERR_NOCOLORKEY VELKARO_DDERR(215)
#define DDERR_NOEXCLUSIVEMODE VELKARO_DDERR(225)
#define DDERR_NOTFOUND VELKARO_DDERR(255)
#define DDERR_NOTFLIPPABLE VELKARO_DDERR(582)
#define DDERR_NOTLOCKED VELKARO_DDERR(584)
#define DDERR_PRIMARYSURFACEALREADYEXISTS VELKARO_DDERR(564)
#define DDERR_SURFACEBUSY VELKARO_DDERR(430)
#define DDERR_NODIRECTDRAWHW VELKARO_DDERR(567)
#define DDERR_WASSTILLDRAWING VELKARO_DDERR(540)

#define DDSCL_FULLSCREEN 0x00000001u
#define DDSCL_NORMAL 0x00000008u
#define DDSCL_EXCLUSIVE 0x00000010u

#define DDSD_CAPS 0x00000001u
#define DDSD_HEIGHT 0x00000002u
#define DDSD_WIDTH 0x00000004u
#define DDSD_PITCH 0x00000008u
#define DDSD_BACKBUFFERCOUNT 0x00000020u
#define DDSD_LPSURFACE 0x00000800u
#define DDSD_PIXELFORMAT 0x00001000u

#define DDSCAPS_BACKBUFFER 0x00000004u
#define DDSCAPS_COMPLEX 0x00000008u
#define DDSCAPS_FLIP 0x00000010u
#define DDSCAPS_FRONTBUFFER 0x00000020u
#define DDSCAPS_OFFSCREENPLAIN 0x00000040u
#define DDSCAPS_PALETTE 0x00000100u
#define DDSCAPS_PRIMARYSURFACE 0x00000200u
#define DDSCAPS_SYSTEMMEMORY 0x00000800u

#define DDPF_PALETTEINDEXED8 0x00000020u
#define DDPF_RGB 0x00000040u

#define DDCKEY_SRCBLT 0x00000008u
#define DDPCAPS_8BIT 0x00000004u
#define DDLOCK_WAIT 0x00000001u
#define DDBLTFAST_NOCOLORKEY 0x00000000u
#define DDBLTFAST_SRCCOLORKEY 0x00000001u
#define DDBLTFAST_DESTCOLORKEY 0x00000002u
#define DDBLTFAST_WAIT 0x00000010u
#define DDFLIP_WAIT 0x00000001u

struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};
typedef PALETTEENTRY* LPPALETTEENTRY;

struct DDSCAPS {
    DWORD dwCaps;
};
typedef DDSCAPS* LPDDSCAPS;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};
typedef DDCOLORKEY* LPDDCOLORKEY;

struct DDPIXELFORMAT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};

struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};
typedef DDSURFACEDESC* LPDDSURFACEDESC;

struct IDirectDrawPalette;
struct IDirectDrawSurface;

struct IDirectDraw {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, IDirectDrawPalette** palette,
                                  IUnknown* outer) = 0;
    virtual HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** surface,
                                  IUnknown* outer) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) = 0;

protected:
    ~IDirectDraw() = default;
};

struct IDirectDrawSurface {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* source, LPRECT sourceRect,
                            DWORD flags) = 0;
    virtual HRESULT Flip(IDirectDrawSurface* target, DWORD flags) = 0;
    virtual HRESULT GetAttachedSurface(LPDDSCAPS caps, IDirectDrawSurface** surface) = 0;
    virtual HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) = 0;
    virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
    virtual HRESULT Unlock(LPVOID surfaceData) = 0;

protected:
    ~IDirectDrawSurface() = default;
};

struct IDirectDrawPalette {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectDrawPalette() = default;
};

typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* object, IUnknown* outer);
