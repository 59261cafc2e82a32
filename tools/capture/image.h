// Pictures of the screen as the capture tool and its checks handle them:
// colour indices with their palette, or plain RGB read back from a file.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace capture {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct IndexedImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // width * height colour indices, rows top to bottom
    std::array<Rgb, 256> palette{};
    uint64_t micros = 0;          // virtual time at which the picture was shown
    uint64_t frame = 0;           // flips made by then
};

struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3
    Rgb at(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

// An 8-bit palette PNG; false with a message in `error` on failure.
bool WritePng(const std::string& path, const IndexedImage& image, std::string* error);
// Any PNG, expanded to 8-bit RGB.
bool ReadPng(const std::string& path, RgbImage* image, std::string* error);

}  // namespace capture
