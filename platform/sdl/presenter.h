// How the SDL back end puts the 8-bit picture on the window. Two presenters:
// an SDL renderer's streaming texture, for GPUs, and the window's own
// framebuffer scaled into by the CPU, for displays without one (where the
// renderer would be a software rasteriser recompositing the whole window).
// Both convert and send only the parts of the picture that changed.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "../posix/damage.h"
#include "../posix/platform.h"
#include "screen_map.h"

namespace sdlpresent {

// The picture as last presented, whole, so that a presenter can redraw
// everything when the window changes.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width * height
};

class Presenter {
public:
    virtual ~Presenter() = default;
    // Whether showing waits for the display's retrace.
    virtual bool Vsync() const = 0;
    // A picture of this size, black until it is updated.
    virtual bool SetPicture(int width, int height) = 0;
    // The palette to convert through. The update that follows a new palette
    // brings the whole picture as damage.
    virtual void SetPalette(const PALETTEENTRY* palette) = 0;
    // Convert these parts of the picture, for the next Show.
    virtual void Update(const Picture& picture, const DamageRegion& damage) = 0;
    // The window changed size: place the picture again, bars included.
    virtual void Relayout(const Picture& picture) = 0;
    // The window's content was lost (exposure): the next Show sends it all.
    virtual void WindowExposed() = 0;
    // Put what was converted on the window.
    virtual void Show() = 0;
};

// Null where the window cannot be presented to that way. With
// acceptSoftware false, a renderer that draws on the CPU counts as failure.
Presenter* CreateTexturePresenter(SDL_Window* window, bool acceptSoftware);
Presenter* CreateSurfacePresenter(SDL_Window* window);

// The presenter VELKARO_PRESENTER asks for, or the best one for the display.
Presenter* ChoosePresenter(SDL_Window* window);

// 32-bit pixels of each palette index in the given format; a grey ramp
// while there is no palette.
void BuildLookup(const PALETTEENTRY* palette, const SDL_PixelFormat* format, uint32_t lookup[256]);

}  // namespace sdlpresent
