// Reading the counter panel back from a picture of the screen: each cell is
// 8 x 12 pixels, a digit is white 2 x 2 blocks on a 3 x 5 grid at (1, 1) of
// its cell, and everything else in the cell is background.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "image.h"

namespace capture {

// Where the program's screen lies in the picture, and its size.
struct ScreenPlace {
    int originX = 0, originY = 0, width = 0, height = 0;
};

// The number in `cells` cells from screen position (x, y); nothing when the
// cells do not hold digits followed by empty cells, and `why` says where.
std::optional<int64_t> ReadPanelNumber(const RgbImage& image, const ScreenPlace& screen, int x, int y,
                                       int cells, std::string* why);

struct PanelReading {
    int64_t framesPerSecond = 0, totalFrames = 0, width = 0, height = 0;
};
// The whole panel.
std::optional<PanelReading> ReadPanel(const RgbImage& image, const ScreenPlace& screen, std::string* why);

}  // namespace capture
