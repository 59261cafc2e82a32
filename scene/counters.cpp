// A number in the digit font: eight cells, each restored, then its glyph.
#include <cstdio>

#include "display/display.h"
#include "scene/scene.h"

void DrawNumber(int32_t value, int32_t x, int32_t y) {
    char text[12];  // any 32-bit value with its sign and terminator
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        int32_t cx = x + 8 * i;
        RECT cell;
        SetRect(&cell, cx, y, cx + 8, y + 12);
        BackBuffer->BltFast(static_cast<DWORD>(cx), static_cast<DWORD>(y), BackgroundSurface, &cell,
                            DDBLTFAST_WAIT);
        ended = ended || text[i] == '\0';
        if (!ended && text[i] >= '0' && text[i] <= '9') {
            RECT glyph = DigitRects[text[i] - '0'];
            BackBuffer->BltFast(static_cast<DWORD>(cx), static_cast<DWORD>(y), FontSurface, &glyph,
                                DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
        }
    }
}
