// velkaro-capture: runs the program, unchanged, over the headless back end on
// a virtual clock and writes chosen frames as PNG pictures or one GIF.
//
//   velkaro-capture --frames LIST [--png FILE] [--gif FILE]
//                   [--fps N] [--mode 1-7] [--key WHEN:KEY]...
//
// LIST  frame numbers (the picture after that many flips): N, A-B or A-B/STEP,
//       comma-separated.
// FILE  for --png with more than one frame, "%d" in the name becomes the
//       frame number.
// WHEN  milliseconds of virtual time, or fN: once N frames have been flipped.
// KEY   a digit, a letter, space or esc.
// --mode presses that mode key before the first frame; --fps (default 60)
// sets the virtual time each flip takes. The same arguments give the same
// files, byte for byte.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "gif.h"
#include "headless.h"
#include "image.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int);

namespace {

[[noreturn]] void Usage(const std::string& problem) {
    std::fprintf(stderr,
                 "velkaro-capture: %s\n"
                 "usage: velkaro-capture --frames LIST [--png FILE] [--gif FILE] [--fps N] [--mode 1-7]\n"
                 "                       [--key WHEN:KEY]...\n"
                 "  LIST: N, A-B or A-B/STEP, comma-separated; WHEN: milliseconds or fN (after N flips)\n",
                 problem.c_str());
    std::exit(2);
}

uint64_t Number(const std::string& text, const char* what) {
    if (text.empty() || text.size() > 12 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        Usage(std::string("not a number for ") + what + ": \"" + text + "\"");
    return std::strtoull(text.c_str(), nullptr, 10);
}

std::set<uint64_t> ParseFrames(const std::string& list) {
    std::set<uint64_t> frames;
    size_t at = 0;
    while (at <= list.size()) {
        size_t comma = list.find(',', at);
        std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        uint64_t step = 1;
        if (size_t slash = item.find('/'); slash != std::string::npos) {
            step = Number(item.substr(slash + 1), "--frames step");
            item.resize(slash);
        }
        uint64_t first, last;
        if (size_t dash = item.find('-'); dash != std::string::npos) {
            first = Number(item.substr(0, dash), "--frames");
            last = Number(item.substr(dash + 1), "--frames");
        } else {
            first = last = Number(item, "--frames");
        }
        if (first == 0 || last < first || step == 0) Usage("frames count from 1, in rising ranges: " + list);
        for (uint64_t f = first; f <= last; f += step) frames.insert(f);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return frames;
}

unsigned VirtualKey(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "SPACE") return VK_SPACE;
    if (name == "ESC" || name == "ESCAPE") return VK_ESCAPE;
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) return static_cast<unsigned char>(name[0]);
    Usage("unknown key \"" + name + "\" (a digit, a letter, space or esc)");
}

headless::Trigger ParseWhen(const std::string& when) {
    if (!when.empty() && (when[0] == 'f' || when[0] == 'F'))
        return headless::AfterFrames(Number(when.substr(1), "--key frames"));
    return headless::AtMs(Number(when, "--key time"));
}

std::string FileFor(const std::string& pattern, uint64_t frame) {
    std::string name = pattern;
    size_t at = name.find("%d");
    if (at != std::string::npos) name.replace(at, 2, std::to_string(frame));
    return name;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::set<uint64_t> wanted;
    std::string png, gif;
    uint64_t fps = 60;
    int mode = 0;
    struct ScriptedKey {
        headless::Trigger when;
        unsigned key;
    };
    std::vector<ScriptedKey> keys;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--frames") {
            auto more = ParseFrames(value());
            wanted.insert(more.begin(), more.end());
        } else if (arg == "--png") {
            png = value();
        } else if (arg == "--gif") {
            gif = value();
        } else if (arg == "--fps") {
            fps = Number(value(), "--fps");
            if (fps == 0 || fps > 1000000) Usage("--fps must be 1 to 1000000");
        } else if (arg == "--mode") {
            mode = static_cast<int>(Number(value(), "--mode"));
            if (mode < 1 || mode > 7) Usage("--mode must be 1 to 7");
        } else if (arg == "--key") {
            std::string trigger = value();
            size_t colon = trigger.find(':');
            if (colon == std::string::npos) Usage("--key wants WHEN:KEY, not \"" + trigger + "\"");
            keys.push_back({ParseWhen(trigger.substr(0, colon)), VirtualKey(trigger.substr(colon + 1))});
        } else {
            Usage("unknown argument \"" + arg + "\"");
        }
    }
    if (wanted.empty()) Usage("no --frames given");
    if (png.empty() && gif.empty()) Usage("nothing to write: give --png and/or --gif");
    if (!png.empty() && wanted.size() > 1 && png.find("%d") == std::string::npos)
        Usage("--png needs \"%d\" in its name for more than one frame");

    // Each flip and the one empty poll before it make up one frame period.
    uint64_t period = 1000000 / fps;
    uint64_t idle = period > 1 ? 1 : 0;
    headless::SetIdleMicros(idle);
    headless::SetFrameMicros(period - idle);
    uint64_t last = *wanted.rbegin();
    headless::SetTimeLimitMicros(std::max<uint64_t>(600000000ull, (last + 1000) * period + 60000000ull));

    if (mode) headless::Key(headless::AfterFrames(0), '0' + mode);
    for (const ScriptedKey& k : keys) headless::Key(k.when, k.key);
    headless::Key(headless::AfterFrames(last), VK_ESCAPE);

    std::vector<capture::IndexedImage> frames;
    frames.reserve(wanted.size());
    headless::OnFlip([&](uint64_t flips) {
        if (!wanted.count(flips)) return;
        const headless::Screen& screen = headless::LastScreen();
        capture::IndexedImage image;
        image.width = screen.width;
        image.height = screen.height;
        image.pixels = screen.pixels;
        for (int c = 0; c < 256; ++c)
            image.palette[c] = {screen.palette[c].peRed, screen.palette[c].peGreen, screen.palette[c].peBlue};
        image.micros = headless::NowMicros();
        image.frame = flips;
        frames.push_back(std::move(image));
    });

    int code = WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
    for (const auto& box : headless::MessageBoxes())
        std::fprintf(stderr, "velkaro-capture: the program showed a message: %s\n", box.text.c_str());
    if (frames.size() != wanted.size()) {
        std::fprintf(stderr, "velkaro-capture: the program ended (code %d) after %llu frames, before frame %llu\n",
                     code, static_cast<unsigned long long>(headless::Flips()),
                     static_cast<unsigned long long>(last));
        return 1;
    }
    for (const auto& f : frames) {
        if (f.width == frames.front().width && f.height == frames.front().height) continue;
        if (!gif.empty()) {
            std::fprintf(stderr, "velkaro-capture: the display mode changed within the GIF's frames\n");
            return 1;
        }
    }

    if (!png.empty()) {
        for (const auto& f : frames) {
            std::string error, name = FileFor(png, f.frame);
            if (!capture::WritePng(name, f, &error)) {
                std::fprintf(stderr, "velkaro-capture: %s\n", error.c_str());
                return 1;
            }
            std::printf("%s: frame %llu, %dx%d\n", name.c_str(), static_cast<unsigned long long>(f.frame),
                        f.width, f.height);
        }
    }
    if (!gif.empty()) {
        if (!WriteFile(gif, capture::EncodeGif(frames))) {
            std::fprintf(stderr, "velkaro-capture: cannot write %s\n", gif.c_str());
            return 1;
        }
        std::printf("%s: %zu frames from %llu to %llu, %dx%d\n", gif.c_str(), frames.size(),
                    static_cast<unsigned long long>(frames.front().frame),
                    static_cast<unsigned long long>(frames.back().frame), frames.front().width,
                    frames.front().height);
    }
    return 0;
}
