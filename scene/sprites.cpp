// The cards' state and every rule that changes it.
#include "display/display.h"
#include "scene/scene.h"

SpriteRecord SpriteTable[CARD_COUNT];
uint32_t RandomSeed = 1;

int32_t NextRandom() {
    RandomSeed = RandomSeed * 214013u + 2531011u;
    return static_cast<int32_t>((RandomSeed >> 16) & 0x7FFF);
}

namespace {

// Runs before WinMain, in card order: nine draws, x, y and frame per card.
struct SpriteTableStartUp {
    SpriteTableStartUp() {
        for (SpriteRecord& card : SpriteTable) {
            card.x = NextRandom() % ScreenWidth - 32;
            card.y = NextRandom() % ScreenHeight - 16;
            card.dx = 1;
            card.dy = 1;
            card.width = 64;
            card.height = 64;
            card.frame = NextRandom() % 8;
            card.lastFrame = 7;
        }
    }
} StartUp;

// A bounce reverses the step's sign and draws its new size, 1 or 2.
int32_t Bounced(int32_t step) {
    int32_t m = NextRandom() % 2 + 1;
    return step > 0 ? -m : m;
}

}  // namespace

void ScatterSprites() {
    for (SpriteRecord& card : SpriteTable) {
        card.x = NextRandom() % ScreenWidth - 32;
        card.y = NextRandom() % ScreenHeight - 16;
    }
}

// The low bound counts when reached, the high bounds only when passed.
void MoveSprite(SpriteRecord& card) {
    const int32_t maxX = ScreenWidth - 48, maxY = ScreenHeight - 16, minXY = 16;
    card.prevX = card.x;
    card.prevY = card.y;
    card.x += card.dx;
    card.y += card.dy;
    if (card.x > maxX || card.x <= minXY) card.dx = Bounced(card.dx);
    if (card.x > maxX) card.x = maxX;
    if (card.x <= minXY) card.x = minXY;
    if (card.y > maxY || card.y <= minXY) card.dy = Bounced(card.dy);
    if (card.y > maxY) card.y = maxY;
    if (card.y <= minXY) card.y = minXY;
}

void AdvanceAnimation() {
    for (SpriteRecord& card : SpriteTable) {
        ++card.frame;
        if (card.frame > card.lastFrame) card.frame = 0;
    }
}
