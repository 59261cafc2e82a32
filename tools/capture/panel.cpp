#include "panel.h"

namespace capture {
namespace {

// Block rows of each digit, top to bottom, three bits each, left bit first.
constexpr const char* Glyphs[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {"..#", "..#", "..#", "..#", "..#"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

const Rgb White{255, 255, 255};

bool GlyphPixel(int digit, int px, int py) {  // px 0..5, py 0..9 within the glyph
    return Glyphs[digit][py / 2][px / 2] == '#';
}

// -1: an empty cell (no white); 0..9: that digit, exactly; -2: neither.
// The cell's last column is left out: in the screen's last cell it is the
// background's white frame.
int ReadCell(const RgbImage& image, int left, int top) {
    if (left < 0 || top < 0 || left + 8 > image.width || top + 12 > image.height) return -2;
    bool white[12][7];
    bool any = false;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 7; ++x) {
            white[y][x] = image.at(left + x, top + y) == White;
            any = any || white[y][x];
        }
    if (!any) return -1;
    for (int d = 0; d < 10; ++d) {
        bool match = true;
        for (int y = 0; y < 12 && match; ++y)
            for (int x = 0; x < 7 && match; ++x) {
                bool inGlyph = x >= 1 && x <= 6 && y >= 1 && y <= 10;
                match = white[y][x] == (inGlyph && GlyphPixel(d, x - 1, y - 1));
            }
        if (match) return d;
    }
    return -2;
}

}  // namespace

std::optional<int64_t> ReadPanelNumber(const RgbImage& image, const ScreenPlace& screen, int x, int y,
                                       int cells, std::string* why) {
    int64_t value = 0;
    int digits = 0;
    bool ended = false;
    for (int i = 0; i < cells; ++i) {
        int cellX = screen.originX + x + 8 * i, cellY = screen.originY + y;
        // Cells beyond the screen's right edge are never drawn.
        if (x + 8 * i + 8 > screen.width) break;
        int cell = ReadCell(image, cellX, cellY);
        if (cell == -2 || (cell >= 0 && ended)) {
            *why = "cell " + std::to_string(i) + " at (" + std::to_string(x + 8 * i) + ", " +
                   std::to_string(y) + ") is neither a digit nor background";
            return std::nullopt;
        }
        if (cell == -1) {
            ended = true;
            continue;
        }
        value = value * 10 + cell;
        ++digits;
    }
    if (digits == 0) {
        *why = "no digits at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        return std::nullopt;
    }
    return value;
}

std::optional<PanelReading> ReadPanel(const RgbImage& image, const ScreenPlace& s, std::string* why) {
    // The height is drawn over the width's last four cells.
    auto fps = ReadPanelNumber(image, s, s.width - 72, s.height - 48, 8, why);
    auto total = fps ? ReadPanelNumber(image, s, s.width - 72, s.height - 36, 8, why) : std::nullopt;
    auto w = total ? ReadPanelNumber(image, s, s.width - 72, s.height - 24, 4, why) : std::nullopt;
    auto h = w ? ReadPanelNumber(image, s, s.width - 40, s.height - 24, 8, why) : std::nullopt;
    if (!h) return std::nullopt;
    return PanelReading{*fps, *total, *w, *h};
}

}  // namespace capture
