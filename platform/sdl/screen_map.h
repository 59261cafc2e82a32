// Where a picture of the current mode lies on the desktop, and how desktop
// positions map to picture pixels and back. No SDL here, so the unit tests
// link it without a display.
#pragma once

namespace sdlmap {

struct PixelRect {
    int x, y, w, h;
};

struct ModeSize {
    int width, height;
};

// The modes the display offers: those of the program's key table.
extern const ModeSize OfferedModes[7];
bool ModeOffered(int width, int height);

// The shape a monitor of the time gave the mode: 320x200 and 640x400 filled
// a 4:3 tube, everything else keeps square pixels.
void DisplayAspect(int width, int height, int* num, int* den);

// The largest rectangle of the picture's shape centred in the screen, the
// rest left as bars.
PixelRect PictureRect(int pictureWidth, int pictureHeight, int screenWidth, int screenHeight);

// The picture pixel shown at screen pixel (sx, sy), clamped into the
// picture; positions in the bars give the nearest edge pixel.
void PictureFromScreen(const PixelRect& rect, int pictureWidth, int pictureHeight, int sx, int sy,
                       int* px, int* py);

// A screen pixel that shows picture pixel (px, py); where the picture is
// enlarged, PictureFromScreen maps it back to the same pixel.
void ScreenFromPicture(const PixelRect& rect, int pictureWidth, int pictureHeight, int px, int py,
                       int* sx, int* sy);

// The screen pixels that show picture pixels [from, to) along one axis of a
// picture of `size` pixels drawn `extent` pixels long from `origin`: those
// whose nearest picture pixel (as PictureFromScreen samples) lies in range.
// Returns the half-open screen range through *first and *last.
void ScreenSpan(int from, int to, int origin, int extent, int size, int* first, int* last);

// The screen rectangle showing picture rectangle (left, top, right, bottom),
// right and bottom exclusive, clipped to the picture.
PixelRect ScreenRectOf(const PixelRect& rect, int pictureWidth, int pictureHeight, int left, int top,
                       int right, int bottom);

// For each of `extent` screen pixels along an axis, the picture pixel it
// shows, as PictureFromScreen samples: what a scaler reads.
void SampleMap(int extent, int size, int* map);

}  // namespace sdlmap
