// A fixed number of frames for instruction counts under callgrind:
//   velkaro_frame_loop MODE PANEL FRAMES
// MODE is 320x200, 800x600 or 1024x768, PANEL 0 or 1. Two runs with
// different FRAMES give the cost of one frame without the start-up.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene_setup.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: velkaro_frame_loop WIDTHxHEIGHT PANEL FRAMES\n");
        return 2;
    }
    bench::Mode mode{};
    if (std::sscanf(argv[1], "%dx%d", &mode.width, &mode.height) != 2) return 2;
    bool panel = std::atoi(argv[2]) != 0;
    long frames = std::atol(argv[3]);
    HWND window = bench::StartProgram();
    bench::Prepare(window, mode, panel);
    for (long i = 0; i < frames; ++i) RenderFrame();
    std::printf("%ld frames at %dx%d%s\n", frames, ScreenWidth, ScreenHeight, panel ? " with panel" : "");
    return 0;
}
