// DirectDraw over software surfaces: 8-bit pixel memory, a flipping pair
// whose flip exchanges the buffers, real reference counts, and copies that
// refuse any rectangle not wholly inside both surfaces.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "backend.h"
#include "damage.h"
#include "ddraw_objects.h"

namespace {

int LiveCount[3];  // by ObjectKind
std::vector<const void*>* ReleaseLog;

void LogRelease(const void* object) {
    if (ReleaseLog) ReleaseLog->push_back(object);
}

// Copies between distinct surfaces, whose rows never overlap. A frame's
// copies are 7 to 64 pixels wide: the widths it uses most get loops of a
// known size, which the compiler unrolls, instead of a call per row.

// Eight pixels, leaving the destination where the source holds the key.
inline uint64_t Keyed8(uint64_t source, uint64_t destination, uint64_t keys) {
    constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7Full;
    uint64_t x = source ^ keys;                               // zero bytes: the key
    uint64_t shown = (((x & Low7) + Low7) | x) & ~Low7;       // top bit of every other byte
    uint64_t mask = (shown >> 7) * 0xFF;
    return (destination & ~mask) | (source & mask);
}

inline void KeyedRow(uint8_t* d, const uint8_t* s, int64_t w, uint8_t key, uint64_t keys) {
    int64_t col = 0;
    for (; col + 8 <= w; col += 8) {
        uint64_t sv, dv;
        std::memcpy(&sv, s + col, 8);
        std::memcpy(&dv, d + col, 8);
        dv = Keyed8(sv, dv, keys);
        std::memcpy(d + col, &dv, 8);
    }
    for (; col < w; ++col)
        if (s[col] != key) d[col] = s[col];
}

template <int Width>
void KeyedRows(uint8_t* to, int toPitch, const uint8_t* from, int fromPitch, int64_t h, uint8_t key) {
    const uint64_t keys = key * 0x0101010101010101ull;
    for (int64_t row = 0; row < h; ++row) KeyedRow(to + row * toPitch, from + row * fromPitch, Width, key, keys);
}

void KeyedCopy(uint8_t* to, int toPitch, const uint8_t* from, int fromPitch, int64_t w, int64_t h,
               uint8_t key) {
    switch (w) {
    case 7: return KeyedRows<7>(to, toPitch, from, fromPitch, h, key);     // digits
    case 32: return KeyedRows<32>(to, toPitch, from, fromPitch, h, key);   // cards
    case 64: return KeyedRows<64>(to, toPitch, from, fromPitch, h, key);   // captions
    default: break;
    }
    const uint64_t keys = key * 0x0101010101010101ull;
    for (int64_t row = 0; row < h; ++row) KeyedRow(to + row * toPitch, from + row * fromPitch, w, key, keys);
}

template <int Width>
void PlainRows(uint8_t* to, int toPitch, const uint8_t* from, int fromPitch, int64_t h) {
    for (int64_t row = 0; row < h; ++row) std::memcpy(to + row * toPitch, from + row * fromPitch, Width);
}

void PlainCopy(uint8_t* to, int toPitch, const uint8_t* from, int fromPitch, int64_t w, int64_t h) {
    switch (w) {
    case 8: return PlainRows<8>(to, toPitch, from, fromPitch, h);     // panel cells
    case 64: return PlainRows<64>(to, toPitch, from, fromPitch, h);   // under the cards
    default: break;
    }
    for (int64_t row = 0; row < h; ++row)
        std::memcpy(to + row * toPitch, from + row * fromPitch, static_cast<size_t>(w));
}

struct Palette;
struct Surface;

struct Display final : IDirectDraw {
    ULONG refs = 1;
    HWND window = nullptr;
    bool exclusive = false;
    bool modeSet = false;
    int width = 0, height = 0;
    Surface* primary = nullptr;  // the chain in use, not a reference

    Display() { ++LiveCount[static_cast<int>(ObjectKind::DirectDraw)]; }
    ~Display();
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT CreatePalette(DWORD flags, LPPALETTEENTRY entries, IDirectDrawPalette** out,
                          IUnknown* outer) override;
    HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** out, IUnknown* outer) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override;
};

struct Palette final : IDirectDrawPalette {
    ULONG refs = 1;
    PALETTEENTRY entries[256];
    Palette() { ++LiveCount[static_cast<int>(ObjectKind::Palette)]; }
    ~Palette() { --LiveCount[static_cast<int>(ObjectKind::Palette)]; }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        LogRelease(this);
        return Unref();
    }
    ULONG Unref() {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }
};

struct Surface final : IDirectDrawSurface {
    ULONG refs = 1;
    Display* owner;
    int width, height, pitch;
    std::vector<uint8_t> pixels;
    DWORD caps;
    bool keyed = false;
    DDCOLORKEY key{};
    bool locked = false;
    Palette* palette = nullptr;  // one reference
    Surface* back = nullptr;     // primary: its back buffer, owned by the chain
    Surface* front = nullptr;    // back buffer: the primary that owns it
    bool paletteChanged = true;
    // In the flipping pair: where these pixels may differ from the picture
    // on the screen. It travels with the pixels when a flip swaps them.
    DamageRegion dirty;

    Surface(Display* d, int w, int h, DWORD c)
        : owner(d), width(w), height(h), pitch(bk_PitchFor(w)),
          pixels(static_cast<size_t>(pitch) * h), caps(c) {
        ++LiveCount[static_cast<int>(ObjectKind::Surface)];
        DamageSetAll(dirty, width, height);  // the screen shows something else
    }
    ~Surface() {
        if (palette) palette->Unref();
        --LiveCount[static_cast<int>(ObjectKind::Surface)];
    }
    bool IsFront() const { return (caps & DDSCAPS_PRIMARYSURFACE) != 0; }
    bool InChain() const { return IsFront() || front; }
    void Wrote(const DamageRect& r) {
        if (InChain()) DamageAdd(dirty, r, width, height);
    }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* source, LPRECT rect, DWORD flags) override;
    HRESULT Flip(IDirectDrawSurface* target, DWORD flags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS caps, IDirectDrawSurface** out) override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT SetPalette(IDirectDrawPalette* palette) override;
    HRESULT Unlock(LPVOID data) override;

    // The screen now shows these pixels. It changes where they differ from
    // the picture it showed, and there the back buffer now may differ too.
    void Present() {
        const PALETTEENTRY* entries = palette ? palette->entries : nullptr;
        DamageRegion changed;
        if (paletteChanged)
            DamageSetAll(changed, width, height);
        else if (back)
            NarrowAgainst(*back, changed);
        else
            changed = dirty;
        bk_Present(pixels.data(), pitch, width, height, entries, paletteChanged, changed);
        if (back) DamageAddRegion(back->dirty, changed, width, height);
        DamageClear(dirty);
        paletteChanged = false;
    }

    // Where these pixels may differ from the screen, narrowed to where they
    // really differ from the other buffer, which holds the screen's picture
    // except where it was written since. Without this, what each buffer
    // inherits from the other would be handed back and grow without end.
    // A large rectangle is narrowed tile by tile, so that a whole-screen
    // change leaves boxes around what moved, not one box around them all.
    void NarrowAgainst(const Surface& other, DamageRegion& out) const {
        constexpr int Tile = 64;
        for (int i = 0; i < dirty.count; ++i) {
            const DamageRect& r = dirty.rects[i];
            if (int64_t(r.right - r.left) * (r.bottom - r.top) <= 4 * Tile * Tile) {
                DamageAdd(out, DifferenceBounds(other, r), width, height);
            } else {
                for (int top = r.top; top < r.bottom; top += Tile)
                    for (int left = r.left; left < r.right; left += Tile) {
                        DamageRect tile{left, top, std::min(left + Tile, r.right), std::min(top + Tile, r.bottom)};
                        DamageAdd(out, DifferenceBounds(other, tile), width, height);
                    }
            }
            for (int j = 0; j < other.dirty.count; ++j) {
                const DamageRect& o = other.dirty.rects[j];
                DamageAdd(out, {std::max(r.left, o.left), std::max(r.top, o.top), std::min(r.right, o.right),
                                std::min(r.bottom, o.bottom)},
                          width, height);
            }
        }
    }

    // The bounding box of the pixels in r that differ from other's.
    DamageRect DifferenceBounds(const Surface& other, const DamageRect& r) const {
        auto row = [&](int y, const uint8_t** a, const uint8_t** b) {
            *a = pixels.data() + static_cast<size_t>(y) * pitch;
            *b = other.pixels.data() + static_cast<size_t>(y) * other.pitch;
        };
        const size_t w = static_cast<size_t>(r.right - r.left);
        const uint8_t *a, *b;
        int top = r.top, bottom = r.bottom;
        for (; top < bottom; ++top) {
            row(top, &a, &b);
            if (std::memcmp(a + r.left, b + r.left, w) != 0) break;
        }
        if (top == bottom) return {0, 0, 0, 0};
        for (; bottom - 1 > top; --bottom) {
            row(bottom - 1, &a, &b);
            if (std::memcmp(a + r.left, b + r.left, w) != 0) break;
        }
        int left = r.right, right = r.left;
        for (int y = top; y < bottom; ++y) {
            row(y, &a, &b);
            // Most rows hold nothing new outside what is known: compare those
            // stretches whole before looking for where they differ.
            if (left > r.left && std::memcmp(a + r.left, b + r.left, size_t(left - r.left)) != 0) {
                int x = r.left;
                while (a[x] == b[x]) ++x;
                left = x;
            }
            if (right < r.right) {
                int from = std::max(right, left);
                if (from < r.right && std::memcmp(a + from, b + from, size_t(r.right - from)) != 0) {
                    int x = r.right;
                    while (a[x - 1] == b[x - 1]) --x;
                    right = x;
                }
            }
        }
        return {left, top, right, bottom};
    }
};

Display::~Display() {
    // Surfaces may outlive their display object; they must not reach back.
    if (primary) primary->owner = nullptr;
    --LiveCount[static_cast<int>(ObjectKind::DirectDraw)];
    bk_CloseDisplay();
}

ULONG Display::Release() {
    LogRelease(this);
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

// The back buffer is part of its primary's chain: its own references only
// count, and it goes when the primary does.
ULONG Surface::Release() {
    LogRelease(this);
    if (refs == 0) return 0;
    ULONG left = --refs;
    if (left == 0 && !front) {
        if (owner && owner->primary == this) owner->primary = nullptr;
        delete back;
        delete this;
    }
    return left;
}

HRESULT DirectDrawCreateChecked(LPDIRECTDRAW* object) {
    if (!object) return DDERR_INVALIDPARAMS;
    if (HRESULT fault = bk_Fault(Call::DirectDrawCreate)) return fault;
    if (!bk_OpenDisplay()) return DDERR_NODIRECTDRAWHW;
    *object = new Display();
    return DD_OK;
}

}  // namespace

HRESULT WINAPI DirectDrawCreate(GUID* device, LPDIRECTDRAW* object, IUnknown* outer) {
    if (device || outer) return DDERR_INVALIDPARAMS;
    return DirectDrawCreateChecked(object);
}

int ddraw_LiveObjects(ObjectKind kind) { return LiveCount[static_cast<int>(kind)]; }
void ddraw_LogReleases(std::vector<const void*>* log) { ReleaseLog = log; }

HRESULT Display::SetCooperativeLevel(HWND w, DWORD flags) {
    if (HRESULT fault = bk_Fault(Call::SetCooperativeLevel)) return fault;
    bool wantsExclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    if (wantsExclusive != ((flags & DDSCL_FULLSCREEN) != 0)) return DDERR_INVALIDPARAMS;
    if (wantsExclusive && !IsWindow(w)) return DDERR_INVALIDPARAMS;
    window = w;
    exclusive = wantsExclusive;
    return DD_OK;
}

HRESULT Display::SetDisplayMode(DWORD w, DWORD h, DWORD bpp) {
    if (HRESULT fault = bk_Fault(Call::SetDisplayMode)) return fault;
    if (!exclusive) return DDERR_NOEXCLUSIVEMODE;
    if (bpp != 8 || w == 0 || h == 0 || w > 16384 || h > 16384) return DDERR_INVALIDMODE;
    if (!bk_ModeOffered(static_cast<int>(w), static_cast<int>(h))) return DDERR_INVALIDMODE;
    if (!bk_SetMode(static_cast<int>(w), static_cast<int>(h))) return DDERR_GENERIC;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    modeSet = true;
    return DD_OK;
}

HRESULT Display::CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** out, IUnknown* outer) {
    if (HRESULT fault = bk_Fault(Call::CreateSurface)) return fault;
    if (!desc || !out || outer || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if (!(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
    DWORD caps = desc->ddsCaps.dwCaps;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (!modeSet) return DDERR_NOEXCLUSIVEMODE;
        if (primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        DWORD backs = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) ? desc->dwBackBufferCount : 0;
        bool flipping = (caps & DDSCAPS_FLIP) && (caps & DDSCAPS_COMPLEX);
        if (flipping != (backs > 0) || backs > 1) return DDERR_INVALIDPARAMS;
        auto* front = new Surface(this, width, height, caps | DDSCAPS_FRONTBUFFER);
        if (backs) {
            front->back = new Surface(this, width, height,
                                      DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
            front->back->front = front;
            front->back->refs = 0;  // held by the chain, not by the program
        }
        primary = front;
        *out = front;
        return DD_OK;
    }
    DWORD sized = DDSD_WIDTH | DDSD_HEIGHT;
    if ((desc->dwFlags & sized) != sized || !(caps & DDSCAPS_OFFSCREENPLAIN)) return DDERR_INVALIDPARAMS;
    if (desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384)
        return DDERR_INVALIDPARAMS;
    *out = new Surface(this, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight), caps);
    return DD_OK;
}

HRESULT Display::CreatePalette(DWORD flags, LPPALETTEENTRY entries, IDirectDrawPalette** out,
                               IUnknown* outer) {
    if (HRESULT fault = bk_Fault(Call::CreatePalette)) return fault;
    if (!entries || !out || outer || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    auto* p = new Palette();
    std::memcpy(p->entries, entries, sizeof p->entries);
    *out = p;
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS wanted, IDirectDrawSurface** out) {
    if (HRESULT fault = bk_Fault(Call::GetAttachedSurface)) return fault;
    if (!wanted || !out) return DDERR_INVALIDPARAMS;
    if (!back || !(wanted->dwCaps & DDSCAPS_BACKBUFFER)) return DDERR_NOTFOUND;
    back->AddRef();
    *out = back;
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY k) {
    if (HRESULT fault = bk_Fault(Call::SetColorKey)) return fault;
    if (flags != DDCKEY_SRCBLT) return DDERR_INVALIDPARAMS;
    if (!k) {
        keyed = false;
        return DD_OK;
    }
    keyed = true;
    key = *k;
    return DD_OK;
}

HRESULT Surface::SetPalette(IDirectDrawPalette* p) {
    if (HRESULT fault = bk_Fault(Call::SetPalette)) return fault;
    auto* next = static_cast<Palette*>(p);
    if (next) next->AddRef();
    if (palette) palette->Unref();
    palette = next;
    paletteChanged = true;
    if (IsFront()) Present();
    return DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD, HANDLE) {
    if (HRESULT fault = bk_Fault(Call::Lock)) return fault;
    if (rect || !desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if (locked) return DDERR_SURFACEBUSY;
    locked = true;
    Wrote({0, 0, width, height});
    std::memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width);
    desc->dwHeight = static_cast<DWORD>(height);
    desc->lPitch = pitch;
    desc->lpSurface = pixels.data();
    desc->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    desc->ddpfPixelFormat.dwRGBBitCount = 8;
    desc->ddsCaps.dwCaps = caps;
    return DD_OK;
}

HRESULT Surface::Unlock(LPVOID) {
    if (HRESULT fault = bk_Fault(Call::Unlock)) return fault;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    // What is written to the front buffer is on the screen at once.
    if (IsFront()) Present();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, IDirectDrawSurface* source, LPRECT rect, DWORD flags) {
    if (HRESULT fault = bk_Fault(Call::BltFast)) return fault;
    auto* src = static_cast<Surface*>(source);
    if (!src) return DDERR_INVALIDPARAMS;
    if (locked || src->locked) return DDERR_SURFACEBUSY;
    RECT r = rect ? *rect : RECT{0, 0, src->width, src->height};
    if (r.left < 0 || r.top < 0 || r.left >= r.right || r.top >= r.bottom || r.right > src->width ||
        r.bottom > src->height)
        return DDERR_INVALIDRECT;
    int64_t w = r.right - r.left, h = r.bottom - r.top;
    // Coordinates arrive unsigned: a negative place is a huge one and is refused.
    if (static_cast<int64_t>(x) + w > width || static_cast<int64_t>(y) + h > height)
        return DDERR_INVALIDRECT;
    bool useKey = (flags & DDBLTFAST_SRCCOLORKEY) != 0;
    if (useKey && !src->keyed) return DDERR_NOCOLORKEY;
    if (flags & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;

    Wrote({static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w), static_cast<int>(y + h)});
    const uint8_t* from = src->pixels.data() + static_cast<size_t>(r.top) * src->pitch + r.left;
    uint8_t* to = pixels.data() + static_cast<size_t>(y) * pitch + x;
    if (!useKey && src != this) {
        PlainCopy(to, pitch, from, src->pitch, w, h);
        return DD_OK;
    }
    if (!useKey) {
        for (int64_t row = 0; row < h; ++row)
            std::memmove(to + row * pitch, from + row * src->pitch, static_cast<size_t>(w));
        return DD_OK;
    }
    DWORD low = src->key.dwColorSpaceLowValue, high = src->key.dwColorSpaceHighValue;
    if (low == high && low <= 0xFF && src != this) {
        KeyedCopy(to, pitch, from, src->pitch, w, h, static_cast<uint8_t>(low));
        return DD_OK;
    }
    for (int64_t row = 0; row < h; ++row) {
        const uint8_t* s = from + row * src->pitch;
        uint8_t* d = to + row * pitch;
        for (int64_t col = 0; col < w; ++col)
            if (s[col] < low || s[col] > high) d[col] = s[col];
    }
    return DD_OK;
}

HRESULT Surface::Flip(IDirectDrawSurface* target, DWORD) {
    if (HRESULT fault = bk_Fault(Call::Flip)) return fault;
    if (!back || (target && target != back)) return DDERR_NOTFLIPPABLE;
    if (locked || back->locked) return DDERR_SURFACEBUSY;
    pixels.swap(back->pixels);
    std::swap(dirty, back->dirty);
    Present();
    bk_Flipped();
    return DD_OK;
}
