// The art resources and the tables that cut them into frames, captions and
// digits. Every sheet is 64 x 64; rectangles are left, top, right, bottom
// with right and bottom exclusive.
#pragma once
#include "platform.h"
#include "res/resource_ids.h"

// Sheet pixels of this index are never copied.
constexpr BYTE TRANSPARENT_INDEX = 227;

constexpr int CARD_COUNT = 3;

// The card sheets, in card order.
constexpr int SpriteSheetIds[CARD_COUNT] = {IDB_CARD_1, IDB_CARD_2, IDB_CARD_3};

// The caption row of a card sheet, chosen by the sheet, not by the card.
constexpr int SheetCaptionRow(int sheetId) {
    return sheetId == IDB_CARD_1 ? 1 : sheetId == IDB_CARD_2 ? 0 : sheetId == IDB_CARD_3 ? 2 : 3;
}

// Eight 32 x 16 animation frames in two columns and four rows.
constexpr RECT FrameRects[8] = {
    {0, 0, 32, 16},  {32, 0, 64, 16},  {0, 16, 32, 32}, {32, 16, 64, 32},
    {0, 32, 32, 48}, {32, 32, 64, 48}, {0, 48, 32, 64}, {32, 48, 64, 64},
};

// Four 64 x 16 caption rows; row 3 is empty.
constexpr RECT CaptionRects[4] = {
    {0, 0, 64, 16}, {0, 16, 64, 32}, {0, 32, 64, 48}, {0, 48, 64, 64},
};

// Digits 0-4 in a top band, 5-9 in a band that starts one row higher than
// 12 would put it, so every glyph sits at (1, 1) in its rectangle.
constexpr RECT DigitRects[10] = {
    {0, 0, 7, 12},   {7, 0, 14, 12},   {14, 0, 21, 12},  {21, 0, 28, 12},  {28, 0, 35, 12},
    {0, 11, 7, 24},  {7, 11, 14, 24},  {14, 11, 21, 24}, {21, 11, 28, 24}, {28, 11, 35, 24},
};
