// Background styles, painted straight into surface memory.
#include <cstring>

#include "display/display.h"

int32_t BackgroundStyle;
uint8_t ShowCounters;
const BYTE BackgroundColours[7] = {0, 128, 16, 2, 224, 28, 3};

namespace {
constexpr BYTE FrameColour = 255;
constexpr BYTE StripeGrey = 146;
}  // namespace

// The frame and the stripes follow byte offsets and the pitch, not the
// visible width: the whole locked memory is painted.
int FillBackground(LPDIRECTDRAWSURFACE surface, int32_t style) {
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    if (surface->Lock(NULL, &desc, DDLOCK_WAIT, NULL) < 0) return 0;

    BYTE* memory = static_cast<BYTE*>(desc.lpSurface);
    size_t height = desc.dwHeight;
    size_t pitch = desc.lPitch > 0 ? static_cast<size_t>(desc.lPitch) : 0;
    size_t n = height * pitch;
    if (memory && n > 0) {
        std::memset(memory, 0, n);
        if (style != 0) {
            BYTE fill = style == 7 ? 0 : BackgroundColours[style];
            for (size_t row = 0; row < height; ++row) {
                BYTE* line = memory + row * pitch;
                bool edgeRow = row == 0 || row == height - 1;
                for (size_t col = 0; col < pitch; ++col) {
                    if (edgeRow || col == 0 || col == pitch - 1)
                        line[col] = FrameColour;
                    else if (style == 7)
                        line[col] = ((row * pitch + col) & 1) == 0 ? StripeGrey : 0;
                    else
                        line[col] = fill;
                }
            }
        }
    }
    surface->Unlock(NULL);
    return 1;
}

void CycleBackground() {
    ++BackgroundStyle;
    if (BackgroundStyle > 7) {
        BackgroundStyle = 0;
        ShowCounters = 0;
    } else {
        ShowCounters = 1;
    }
    FillBackground(BackgroundSurface, BackgroundStyle);
    FillBackground(PrimarySurface, BackgroundStyle);
    FillBackground(BackBuffer, BackgroundStyle);
}
