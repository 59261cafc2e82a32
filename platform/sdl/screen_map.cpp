#include "screen_map.h"

#include <cstdint>

namespace sdlmap {

const ModeSize OfferedModes[7] = {{320, 200}, {320, 240}, {400, 300}, {640, 400},
                                  {640, 480}, {800, 600}, {1024, 768}};

bool ModeOffered(int width, int height) {
    for (const ModeSize& mode : OfferedModes)
        if (mode.width == width && mode.height == height) return true;
    return false;
}

void DisplayAspect(int width, int height, int* num, int* den) {
    if ((width == 320 && height == 200) || (width == 640 && height == 400)) {
        *num = 4;
        *den = 3;
    } else {
        *num = width;
        *den = height;
    }
}

PixelRect PictureRect(int pictureWidth, int pictureHeight, int screenWidth, int screenHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || screenWidth <= 0 || screenHeight <= 0)
        return {0, 0, screenWidth > 0 ? screenWidth : 0, screenHeight > 0 ? screenHeight : 0};
    int num, den;
    DisplayAspect(pictureWidth, pictureHeight, &num, &den);
    PixelRect rect;
    if (int64_t(screenWidth) * den >= int64_t(screenHeight) * num) {
        rect.h = screenHeight;
        rect.w = int((2 * int64_t(screenHeight) * num + den) / (2 * int64_t(den)));
    } else {
        rect.w = screenWidth;
        rect.h = int((2 * int64_t(screenWidth) * den + num) / (2 * int64_t(num)));
    }
    rect.x = (screenWidth - rect.w) / 2;
    rect.y = (screenHeight - rect.h) / 2;
    return rect;
}

namespace {

// Nearest-neighbour sampling takes each screen pixel's centre.
int PictureAxis(int s, int origin, int extent, int size) {
    int64_t offset = int64_t(s) - origin;
    if (offset < 0) return 0;
    int64_t p = (2 * offset + 1) * size / (2 * int64_t(extent));
    return p >= size ? size - 1 : int(p);
}

int ScreenAxis(int p, int origin, int extent, int size) {
    if (p < 0) p = 0;
    if (p >= size) p = size - 1;
    return origin + int((2 * int64_t(p) + 1) * extent / (2 * int64_t(size)));
}

// The first screen offset whose sample lies at or past picture pixel p:
// (2 * offset + 1) * size >= 2 * p * extent.
int FirstOffset(int p, int extent, int size) {
    int64_t n = 2 * int64_t(p) * extent - size;
    if (n <= 0) return 0;
    int64_t d = 2 * int64_t(size);
    return int((n + d - 1) / d);
}

}  // namespace

void ScreenSpan(int from, int to, int origin, int extent, int size, int* first, int* last) {
    if (from < 0) from = 0;
    if (to > size) to = size;
    if (size <= 0 || extent <= 0 || from >= to) {
        *first = *last = origin;
        return;
    }
    *first = origin + FirstOffset(from, extent, size);
    *last = origin + FirstOffset(to, extent, size);
}

PixelRect ScreenRectOf(const PixelRect& rect, int pictureWidth, int pictureHeight, int left, int top,
                       int right, int bottom) {
    int x0, x1, y0, y1;
    ScreenSpan(left, right, rect.x, rect.w, pictureWidth, &x0, &x1);
    ScreenSpan(top, bottom, rect.y, rect.h, pictureHeight, &y0, &y1);
    return {x0, y0, x1 - x0, y1 - y0};
}

void SampleMap(int extent, int size, int* map) {
    for (int s = 0; s < extent; ++s) map[s] = PictureAxis(s, 0, extent, size);
}

void PictureFromScreen(const PixelRect& rect, int pictureWidth, int pictureHeight, int sx, int sy,
                       int* px, int* py) {
    *px = PictureAxis(sx, rect.x, rect.w, pictureWidth);
    *py = PictureAxis(sy, rect.y, rect.h, pictureHeight);
}

void ScreenFromPicture(const PixelRect& rect, int pictureWidth, int pictureHeight, int px, int py,
                       int* sx, int* sy) {
    *sx = ScreenAxis(px, rect.x, rect.w, pictureWidth);
    *sy = ScreenAxis(py, rect.y, rect.h, pictureHeight);
}

}  // namespace sdlmap
