// One frame: restore under the cards, move and draw them, the panel, flip.
#include "display/display.h"
#include "scene/scene.h"

int32_t TotalFrames;
int32_t FramesThisSecond;
int32_t FramesPerSecond;

namespace {

// Counters wrap as two's complement past the largest value.
int32_t Incremented(int32_t counter) { return static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u); }

void Blit(int32_t x, int32_t y, LPDIRECTDRAWSURFACE source, RECT rect, DWORD flags) {
    // Negative places become huge unsigned ones, which the copy refuses.
    BackBuffer->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, &rect, flags);
}

}  // namespace

void RenderFrame() {
    TotalFrames = Incremented(TotalFrames);
    FramesThisSecond = Incremented(FramesThisSecond);

    // At the start of a frame the back buffer holds the frame before last,
    // in which each card stood at its previous position.
    for (const SpriteRecord& card : SpriteTable) {
        RECT under;
        SetRect(&under, card.prevX - 16, card.prevY - 16, card.prevX + 48, card.prevY + 16);
        Blit(card.prevX - 16, card.prevY - 16, BackgroundSurface, under, DDBLTFAST_WAIT);
    }

    for (int i = 0; i < CARD_COUNT; ++i) {
        SpriteRecord& card = SpriteTable[i];
        MoveSprite(card);
        Blit(card.x, card.y, card.surface, FrameRects[card.frame], DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
        Blit(card.x - 16, card.y - 16, CaptionSurface, CaptionRects[SheetCaptionRow(SpriteSheetIds[i])],
             DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY);
    }

    if (ShowCounters) {
        DrawNumber(FramesPerSecond, ScreenWidth - 72, ScreenHeight - 48);
        DrawNumber(TotalFrames, ScreenWidth - 72, ScreenHeight - 36);
        DrawNumber(ScreenWidth, ScreenWidth - 72, ScreenHeight - 24);
        DrawNumber(ScreenHeight, ScreenWidth - 40, ScreenHeight - 24);
    }

    PrimarySurface->Flip(NULL, DDFLIP_WAIT);
}

void CountersTick() {
    FramesPerSecond = FramesThisSecond;
    FramesThisSecond = 0;
}
