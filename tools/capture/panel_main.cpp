// velkaro-panel: reads the counter panel back from a screenshot.
//   velkaro-panel FILE.png [WIDTH HEIGHT [X Y]]
// The program's screen is WIDTH x HEIGHT (default: the picture's size) with
// its top-left corner at (X, Y) of the picture (default 0, 0). Prints
// "fps total width height"; exits 1 when the panel cannot be read.
#include <cstdio>
#include <cstdlib>

#include "image.h"
#include "panel.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: velkaro-panel FILE.png [WIDTH HEIGHT [X Y]]\n");
        return 2;
    }
    capture::RgbImage image;
    std::string error;
    if (!capture::ReadPng(argv[1], &image, &error)) {
        std::fprintf(stderr, "velkaro-panel: %s\n", error.c_str());
        return 1;
    }
    capture::ScreenPlace screen{0, 0, image.width, image.height};
    if (argc >= 4) screen.width = std::atoi(argv[2]), screen.height = std::atoi(argv[3]);
    if (argc == 6) screen.originX = std::atoi(argv[4]), screen.originY = std::atoi(argv[5]);
    auto panel = capture::ReadPanel(image, screen, &error);
    if (!panel) {
        std::fprintf(stderr, "velkaro-panel: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::printf("%lld %lld %lld %lld\n", static_cast<long long>(panel->framesPerSecond),
                static_cast<long long>(panel->totalFrames), static_cast<long long>(panel->width),
                static_cast<long long>(panel->height));
    return 0;
}
