// A window someone else made for us to draw in: the screen saver daemon
// names it in XSCREENSAVER_WINDOW, for the full screen or for its preview.
#pragma once

#include <cstdint>

struct SDL_Window;

namespace sdlmap {

// The X window id a host writes, decimal or 0x hex; 0 for anything else,
// which leaves the program on its own full-screen window.
uint32_t HostWindowId(const char* text);

}  // namespace sdlmap

// The host's window as an SDL window once video is up, or null when the
// variable names no window. Nothing about it changes but its pixels.
SDL_Window* HostWindow();
