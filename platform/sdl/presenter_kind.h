// Which presenter shows the picture, and the facts that choose it. No SDL
// here, so the unit tests link it without a display.
#pragma once

namespace sdlmap {

enum class PresenterKind { Automatic, Texture, Surface };

// The value of VELKARO_PRESENTER: "texture" or "surface" (any case) force
// one; unset, empty or "auto" choose. *known is false for anything else.
PresenterKind PresenterFromName(const char* value, bool* known);

// Whether an OpenGL renderer string names a rasteriser that runs on the CPU
// (Mesa's llvmpipe, softpipe and swrast, and the like).
bool SoftwareRasteriser(const char* glRenderer);

}  // namespace sdlmap
