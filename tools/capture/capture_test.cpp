// The capture tool's encoders and its output: GIF data decoded back with an
// independent decoder, captured frames checked against the rules of the
// background and the counter panel, and the same arguments giving the same
// bytes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "gif.h"
#include "image.h"
#include "panel.h"

namespace fs = std::filesystem;
using capture::IndexedImage;
using capture::Rgb;
using capture::RgbImage;

namespace {

// --- an independent GIF decoder ------------------------------------------

std::vector<uint8_t> LzwDecode(const std::vector<uint8_t>& data, int minCodeSize) {
    const int clear = 1 << minCodeSize, end = clear + 1;
    std::vector<int> prefix(4096, -1);
    std::vector<uint8_t> suffix(4096), first(4096);
    for (int i = 0; i < clear; ++i) suffix[i] = first[i] = static_cast<uint8_t>(i);
    int size = minCodeSize + 1, next = end + 1, prev = -1;
    size_t bitPos = 0;
    std::vector<uint8_t> out, text;
    auto emit = [&](int code) {
        text.clear();
        for (int c = code; c >= 0; c = prefix[c]) text.push_back(suffix[c]);
        out.insert(out.end(), text.rbegin(), text.rend());
    };
    for (;;) {
        if (bitPos + size > data.size() * 8) {
            ADD_FAILURE() << "LZW data ends without an end code";
            return out;
        }
        int code = 0;
        for (int b = 0; b < size; ++b, ++bitPos)
            code |= ((data[bitPos / 8] >> (bitPos % 8)) & 1) << b;
        if (code == clear) {
            size = minCodeSize + 1;
            next = end + 1;
            prev = -1;
            continue;
        }
        if (code == end) return out;
        if (prev < 0) {
            if (code >= clear) {
                ADD_FAILURE() << "first code after a clear is " << code;
                return out;
            }
            emit(code);
            prev = code;
            continue;
        }
        if (code > next || (code == next && next >= 4096)) {
            ADD_FAILURE() << "code " << code << " ahead of the table (next " << next << ")";
            return out;
        }
        if (next < 4096) {
            prefix[next] = prev;
            suffix[next] = first[code == next ? prev : code];
            first[next] = first[prev];
            ++next;
            if (next == (1 << size) && size < 12) ++size;
        }
        emit(code);
        prev = code;
    }
}

struct DecodedGif {
    int width = 0, height = 0;
    bool loops = false;
    std::vector<std::vector<Rgb>> frames;  // the canvas after each frame
    std::vector<int> delays;
};

DecodedGif DecodeGif(const std::vector<uint8_t>& g) {
    DecodedGif d;
    size_t at = 0;
    auto byte = [&]() -> uint8_t {
        if (at >= g.size()) throw std::runtime_error("GIF ends early");
        return g[at++];
    };
    auto u16 = [&]() { int lo = byte(); return lo | byte() << 8; };
    auto table = [&](int flags) {
        std::vector<Rgb> t(static_cast<size_t>(2) << (flags & 7));
        for (Rgb& c : t) c = {byte(), byte(), byte()};
        return t;
    };
    auto subBlocks = [&]() {
        std::vector<uint8_t> data;
        for (int n = byte(); n != 0; n = byte())
            for (int i = 0; i < n; ++i) data.push_back(byte());
        return data;
    };
    if (std::string(g.begin(), g.begin() + 6) != "GIF89a") throw std::runtime_error("no GIF89a header");
    at = 6;
    d.width = u16();
    d.height = u16();
    int flags = byte();
    byte();
    byte();
    std::vector<Rgb> global;
    if (flags & 0x80) global = table(flags);
    std::vector<Rgb> canvas(static_cast<size_t>(d.width) * d.height);
    int transparent = -1, delay = 0;
    for (;;) {
        int kind = byte();
        if (kind == 0x3B) return d;
        if (kind == 0x21) {
            int label = byte();
            std::vector<uint8_t> data = subBlocks();
            if (label == 0xF9) {
                if (data.size() != 4) throw std::runtime_error("bad graphic control");
                transparent = (data[0] & 1) ? data[3] : -1;
                delay = data[1] | data[2] << 8;
            } else if (label == 0xFF && data.size() >= 11 && std::string(data.begin(), data.begin() + 11) == "NETSCAPE2.0") {
                d.loops = true;
            }
            continue;
        }
        if (kind != 0x2C) throw std::runtime_error("unknown block " + std::to_string(kind));
        int left = u16(), top = u16(), w = u16(), h = u16(), imageFlags = byte();
        std::vector<Rgb> colours = (imageFlags & 0x80) ? table(imageFlags) : global;
        int minCodeSize = byte();
        std::vector<uint8_t> indices = LzwDecode(subBlocks(), minCodeSize);
        if (indices.size() != static_cast<size_t>(w) * h)
            throw std::runtime_error("frame has " + std::to_string(indices.size()) + " pixels, not " +
                                     std::to_string(w * h));
        if (left + w > d.width || top + h > d.height) throw std::runtime_error("frame outside the screen");
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int i = indices[static_cast<size_t>(y) * w + x];
                if (i != transparent) canvas[static_cast<size_t>(top + y) * d.width + left + x] = colours.at(i);
            }
        d.frames.push_back(canvas);
        d.delays.push_back(delay);
        transparent = -1;
        delay = 0;
    }
}

std::vector<Rgb> Colours(const IndexedImage& image) {
    std::vector<Rgb> out;
    for (uint8_t p : image.pixels) out.push_back(image.palette[p]);
    return out;
}

IndexedImage Picture(int w, int h, uint64_t micros) {
    IndexedImage image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<size_t>(w) * h, 0);
    for (int i = 0; i < 256; ++i)
        image.palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)};
    image.micros = micros;
    return image;
}

// --- running the tool ----------------------------------------------------

std::string Quote(const std::string& s) { return "'" + s + "'"; }

int RunTool(const std::string& tool, const std::string& args) {
    std::string command = Quote(tool) + " " + args + " >/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "velkaro-capture-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

RgbImage ReadOrFail(const std::string& path) {
    RgbImage image;
    std::string error;
    EXPECT_TRUE(capture::ReadPng(path, &image, &error)) << error;
    return image;
}

}  // namespace

// --- the GIF writer ------------------------------------------------------

TEST(GifEncoding, LzwRoundTripsThroughTableResetsAndCodeWidths) {
    std::mt19937 random(7);
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"one byte", {42}});
    cases.push_back({"all equal", std::vector<uint8_t>(100000, 128)});
    std::vector<uint8_t> noise(200000);
    for (auto& b : noise) b = static_cast<uint8_t>(random());  // many table resets at 12 bits
    cases.push_back({"noise", noise});
    std::vector<uint8_t> few(50000);
    for (auto& b : few) b = static_cast<uint8_t>(random() % 3);  // long strings, widths 9 to 12
    cases.push_back({"three values", few});
    // Lengths around the points where the code width changes.
    for (size_t n : {255u, 256u, 257u, 510u, 511u, 512u, 513u, 3838u, 3839u, 3840u}) {
        std::vector<uint8_t> ramp(n);
        for (size_t i = 0; i < n; ++i) ramp[i] = static_cast<uint8_t>(i * 37 + i / 256);
        cases.push_back({"ramp", ramp});
    }
    for (const Case& c : cases) {
        std::vector<uint8_t> packed = capture::LzwEncode(c.data.data(), c.data.size());
        EXPECT_EQ(LzwDecode(packed, 8), c.data) << c.name << ", " << c.data.size() << " bytes";
    }
}

TEST(GifEncoding, AnimationDecodesToEveryFrameWithItsDelay) {
    // Frames that change in a small box, not at all, everywhere, and in
    // their colours; times in microseconds at 60 frames per second.
    std::vector<IndexedImage> frames;
    IndexedImage a = Picture(97, 41, 0);
    for (int i = 0; i < 97 * 41; ++i) a.pixels[i] = static_cast<uint8_t>(i % 251);
    frames.push_back(a);
    IndexedImage b = a;
    b.micros = 16667;
    b.pixels[5 * 97 + 60] = 255;  // 255 is unused so far: the writer must not take it as "unchanged"
    b.pixels[30 * 97 + 10] = 3;
    frames.push_back(b);
    IndexedImage c = b;
    c.micros = 33333;
    frames.push_back(c);
    IndexedImage d = c;
    d.micros = 50000;
    for (auto& p : d.pixels) p = static_cast<uint8_t>(p + 1);
    frames.push_back(d);
    IndexedImage e = d;
    e.micros = 66667;
    e.palette[9] = {1, 2, 3};
    frames.push_back(e);

    DecodedGif g = DecodeGif(capture::EncodeGif(frames));
    EXPECT_EQ(g.width, 97);
    EXPECT_EQ(g.height, 41);
    EXPECT_TRUE(g.loops);
    ASSERT_EQ(g.frames.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(g.frames[i], Colours(frames[i])) << "frame " << i;
    // 0, 1.67, 3.33, 5, 6.67 hundredths: rounded without drift, the last as the one before.
    EXPECT_EQ(g.delays, (std::vector<int>{2, 1, 2, 2, 2}));
}

// --- captures of the program ---------------------------------------------

struct StyleCase {
    const char* mode;  // mode key, or "" for the start mode
    int presses;       // of B: the background style
    int width, height;
    Rgb fill;
    uint64_t frame;
};

const StyleCase StyleCases[] = {
    {"1", 1, 320, 200, {128, 0, 0}, 150},
    {"", 3, 800, 600, {0, 0, 128}, 150},
    {"7", 6, 1024, 768, {0, 0, 255}, 130},
};

std::string CaptureArgs(const StyleCase& c, const std::string& png) {
    std::string args = "--frames " + std::to_string(c.frame) + " --png " + Quote(png);
    if (*c.mode) args += std::string(" --mode ") + c.mode;
    for (int i = 0; i < c.presses; ++i) args += " --key f0:b";
    return args;
}

TEST(CapturedFrame, ShowsTheStyleFrameCardsAndPanel) {
    TempDir dir;
    for (const StyleCase& c : StyleCases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        std::string png = dir / "frame.png";
        ASSERT_EQ(RunTool(VELKARO_CAPTURE, CaptureArgs(c, png)), 0);
        RgbImage image = ReadOrFail(png);
        ASSERT_EQ(image.width, c.width);
        ASSERT_EQ(image.height, c.height);

        // Outside the panel every pixel is the frame's white or the fill,
        // except where the three cards and their captions stand.
        const Rgb white{255, 255, 255};
        int panelLeft = c.width - 72, panelTop = c.height - 48, panelBottom = c.height - 12;
        int covered = 0, frameWhite = 0, fill = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                bool inPanel = x >= panelLeft && x < c.width - 1 && y >= panelTop && y < panelBottom;
                bool onFrame = x == 0 || y == 0 || x == c.width - 1 || y == c.height - 1;
                Rgb p = image.at(x, y);
                if (inPanel) {
                    EXPECT_TRUE(p == c.fill || p == white) << "panel pixel (" << x << ", " << y << ")";
                } else if (p == (onFrame ? white : c.fill)) {
                    (onFrame ? frameWhite : fill)++;
                } else {
                    ++covered;
                }
            }
        EXPECT_GT(covered, 3 * 100) << "the cards are not on the screen";
        EXPECT_LE(covered, 3 * (32 * 16 + 64 * 16));
        EXPECT_GE(frameWhite, 2 * (c.width + c.height) - 4 - covered);

        std::string why;
        auto panel = capture::ReadPanel(image, {0, 0, c.width, c.height}, &why);
        ASSERT_TRUE(panel) << why;
        // 60 flips per virtual second, counted by the once-a-second tick.
        EXPECT_EQ(panel->framesPerSecond, 60);
        EXPECT_EQ(panel->totalFrames, static_cast<int64_t>(c.frame));
        EXPECT_EQ(panel->width, c.width);
        EXPECT_EQ(panel->height, c.height);
    }
}

TEST(PanelReading, RefusesCellsThatAreNotExactlyDigits) {
    TempDir dir;
    const StyleCase& c = StyleCases[1];
    std::string png = dir / "frame.png";
    ASSERT_EQ(RunTool(VELKARO_CAPTURE, CaptureArgs(c, png)), 0);
    RgbImage image = ReadOrFail(png);
    capture::ScreenPlace screen{0, 0, c.width, c.height};
    std::string why;
    ASSERT_TRUE(capture::ReadPanel(image, screen, &why)) << why;

    auto paint = [&](RgbImage& img, int x, int y, Rgb colour) {
        uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
        p[0] = colour.r, p[1] = colour.g, p[2] = colour.b;
    };
    int fpsX = c.width - 72, fpsY = c.height - 48;
    struct Damage {
        const char* what;
        int x, y;
        Rgb colour;
    } damages[] = {
        {"a glyph pixel turned to background", fpsX + 1, fpsY + 1, c.fill},
        {"a white pixel in a glyph's gap (the 6's middle left block row)", fpsX + 3, fpsY + 3, {255, 255, 255}},
        {"white in the cell's top row", fpsX + 2, fpsY, {255, 255, 255}},
        {"a digit after an empty cell", fpsX + 8 * 5 + 5, fpsY + 2, {255, 255, 255}},
    };
    for (const Damage& d : damages) {
        RgbImage damaged = image;
        paint(damaged, d.x, d.y, d.colour);
        EXPECT_FALSE(capture::ReadPanelNumber(damaged, screen, fpsX, fpsY, 8, &why)) << d.what;
    }
    // The same screen placed inside a larger picture reads the same.
    RgbImage larger;
    larger.width = c.width + 30;
    larger.height = c.height + 20;
    larger.rgb.assign(static_cast<size_t>(larger.width) * larger.height * 3, 0);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) paint(larger, x + 30, y + 20, image.at(x, y));
    auto inside = capture::ReadPanel(larger, {30, 20, c.width, c.height}, &why);
    ASSERT_TRUE(inside) << why;
    EXPECT_EQ(inside->totalFrames, static_cast<int64_t>(c.frame));
}

TEST(CaptureDeterminism, SameArgumentsGiveTheSameBytes) {
    TempDir dir;
    auto args = [&](const std::string& tag, const std::string& frames) {
        return "--mode 3 --fps 50 --key f0:b --key f0:b --key 700:b --frames " + frames + " --png " +
               Quote(dir / (tag + "-%d.png")) + " --gif " + Quote(dir / (tag + ".gif"));
    };
    ASSERT_EQ(RunTool(VELKARO_CAPTURE, args("one", "40-60/4")), 0);
    ASSERT_EQ(RunTool(VELKARO_CAPTURE, args("two", "40-60/4")), 0);
    for (std::string name : {"-40.png", "-48.png", "-60.png", ".gif"}) {
        auto one = Bytes(dir / ("one" + name)), two = Bytes(dir / ("two" + name));
        EXPECT_FALSE(one.empty()) << name;
        EXPECT_EQ(one, two) << name << " differs between two runs";
    }
    // The comparison can tell frames apart: consecutive pictures differ.
    EXPECT_NE(Bytes(dir / "one-40.png"), Bytes(dir / "one-44.png"));

    // The animation shows exactly the pictures written as PNG.
    DecodedGif g = DecodeGif(Bytes(dir / "one.gif"));
    ASSERT_EQ(g.frames.size(), 6u);
    for (size_t i = 0; i < g.frames.size(); ++i) {
        RgbImage png = ReadOrFail(dir / ("one-" + std::to_string(40 + 4 * i) + ".png"));
        ASSERT_EQ(png.width, g.width);
        ASSERT_EQ(png.height, g.height);
        std::vector<Rgb> colours;
        for (int y = 0; y < png.height; ++y)
            for (int x = 0; x < png.width; ++x) colours.push_back(png.at(x, y));
        EXPECT_EQ(g.frames[i], colours) << "GIF frame " << i;
        EXPECT_EQ(g.delays[i], 8) << "4 flips at 50 per second";
    }
}
