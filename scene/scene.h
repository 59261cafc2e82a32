// The three moving cards, the random generator, frame rendering and the
// counter panel.
#pragma once
#include <cstdint>

#include "platform.h"
#include "res/resources.h"

struct SpriteRecord {
    LPDIRECTDRAWSURFACE surface;  // the card's sheet, one reference
    int32_t x, y;                 // top left of the card's frame on the screen
    int32_t dx, dy;               // step per drawn frame: -2, -1, +1 or +2
    uint32_t width, height;       // of the sheet: 64 x 64
    int32_t prevX, prevY;         // position before the last move
    int32_t frame;                // animation frame shown, 0 to lastFrame
    int32_t lastFrame;
};

extern SpriteRecord SpriteTable[CARD_COUNT];
extern uint32_t RandomSeed;

extern int32_t TotalFrames;
extern int32_t FramesThisSecond;
extern int32_t FramesPerSecond;

int32_t NextRandom();
void ScatterSprites();
void MoveSprite(SpriteRecord& card);
void AdvanceAnimation();

void RenderFrame();
void CountersTick();
void DrawNumber(int32_t value, int32_t x, int32_t y);
