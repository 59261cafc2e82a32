#include "gif.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace capture {
namespace {

constexpr int MinCodeSize = 8;
constexpr int ClearCode = 1 << MinCodeSize;
constexpr int EndCode = ClearCode + 1;
constexpr int MaxCodes = 4096;

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
    void Put(unsigned code, int bits) {
        buffer_ |= static_cast<uint32_t>(code) << used_;
        used_ += bits;
        while (used_ >= 8) {
            out_->push_back(static_cast<uint8_t>(buffer_));
            buffer_ >>= 8;
            used_ -= 8;
        }
    }
    void Finish() {
        if (used_ > 0) out_->push_back(static_cast<uint8_t>(buffer_));
        buffer_ = 0;
        used_ = 0;
    }

private:
    std::vector<uint8_t>* out_;
    uint32_t buffer_ = 0;
    int used_ = 0;
};

void Put16(std::vector<uint8_t>& out, unsigned value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutPalette(std::vector<uint8_t>& out, const std::array<Rgb, 256>& palette) {
    for (const Rgb& c : palette) {
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
}

void PutSubBlocks(std::vector<uint8_t>& out, const std::vector<uint8_t>& data) {
    for (size_t at = 0; at < data.size(); at += 255) {
        size_t n = std::min<size_t>(255, data.size() - at);
        out.push_back(static_cast<uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<ptrdiff_t>(at),
                   data.begin() + static_cast<ptrdiff_t>(at + n));
    }
    out.push_back(0);
}

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};

Box ChangedBox(const IndexedImage& before, const IndexedImage& now) {
    Box box{now.width, now.height, 0, 0};
    for (int y = 0; y < now.height; ++y) {
        const uint8_t* a = &before.pixels[static_cast<size_t>(y) * now.width];
        const uint8_t* b = &now.pixels[static_cast<size_t>(y) * now.width];
        for (int x = 0; x < now.width; ++x) {
            if (a[x] == b[x]) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x + 1);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y + 1);
        }
    }
    if (box.left >= box.right) box = {0, 0, 1, 1};  // nothing changed: one unchanged pixel
    return box;
}

}  // namespace

std::vector<uint8_t> LzwEncode(const uint8_t* indices, size_t count) {
    // child[code][byte]: the code of string(code) + byte, or 0 for none
    // (0 is never a string's code beyond the single-byte ones, which are roots).
    auto child = std::make_unique<uint16_t[]>(static_cast<size_t>(MaxCodes) * 256);
    std::vector<uint8_t> out;
    BitWriter bits(&out);
    int codeSize = MinCodeSize + 1;
    int next = EndCode + 1;
    bits.Put(ClearCode, codeSize);
    if (count == 0) {
        bits.Put(EndCode, codeSize);
        bits.Finish();
        return out;
    }
    int prefix = indices[0];
    for (size_t i = 1; i < count; ++i) {
        uint8_t c = indices[i];
        uint16_t& slot = child[static_cast<size_t>(prefix) * 256 + c];
        if (slot != 0) {
            prefix = slot;
            continue;
        }
        bits.Put(static_cast<unsigned>(prefix), codeSize);
        slot = static_cast<uint16_t>(next++);
        // The decoder learns each code one step later, so it widens its
        // codes when the table has passed a power of two, not reached it.
        if (next > (1 << codeSize) && codeSize < 12) ++codeSize;
        if (next == MaxCodes) {
            bits.Put(ClearCode, codeSize);
            std::memset(child.get(), 0, sizeof(uint16_t) * static_cast<size_t>(MaxCodes) * 256);
            codeSize = MinCodeSize + 1;
            next = EndCode + 1;
        }
        prefix = c;
    }
    bits.Put(static_cast<unsigned>(prefix), codeSize);
    // The decoder adds an entry for this last code too and may widen before
    // it reads the end code.
    if (next < MaxCodes && next + 1 > (1 << codeSize) && codeSize < 12) ++codeSize;
    bits.Put(EndCode, codeSize);
    bits.Finish();
    return out;
}

std::vector<uint8_t> EncodeGif(const std::vector<IndexedImage>& frames) {
    if (frames.empty()) return {};
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    const IndexedImage& first = frames.front();
    Put16(out, static_cast<unsigned>(first.width));
    Put16(out, static_cast<unsigned>(first.height));
    out.push_back(0xF7);  // global table of 256 entries, 8 bits per primary
    out.push_back(0);     // background: index 0
    out.push_back(0);     // square pixels
    PutPalette(out, first.palette);
    // Loop forever (the NETSCAPE2.0 application extension).
    const uint8_t loop[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                            3, 1, 0, 0, 0};
    out.insert(out.end(), loop, loop + sizeof loop);

    // One index that no frame uses marks "unchanged" inside a frame's box.
    bool used[256] = {};
    for (const IndexedImage& f : frames)
        for (uint8_t p : f.pixels) used[p] = true;
    int unchanged = -1;
    for (int i = 255; i >= 0 && unchanged < 0; --i)
        if (!used[i]) unchanged = i;

    std::vector<uint8_t> box;
    for (size_t n = 0; n < frames.size(); ++n) {
        const IndexedImage& f = frames[n];
        const IndexedImage* before = n > 0 ? &frames[n - 1] : nullptr;
        // Delays in hundredths, each frame ending where the next begins.
        auto hundredths = [](uint64_t micros) { return (micros + 5000) / 10000; };
        uint64_t delay;
        if (n + 1 < frames.size())
            delay = hundredths(frames[n + 1].micros) - hundredths(f.micros);
        else if (n > 0)
            delay = hundredths(f.micros) - hundredths(before->micros);
        else
            delay = 0;
        delay = std::min<uint64_t>(delay, 0xFFFF);

        bool newPalette = before && f.palette != first.palette;
        bool transparent = before && unchanged >= 0 && before->palette == f.palette;
        // Indices are compared only under the same colours.
        Box b = before && before->palette == f.palette ? ChangedBox(*before, f) : Box{0, 0, f.width, f.height};
        box.clear();
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) {
                size_t at = static_cast<size_t>(y) * f.width + x;
                bool same = before && before->pixels[at] == f.pixels[at];
                box.push_back(transparent && same ? static_cast<uint8_t>(unchanged) : f.pixels[at]);
            }

        // Graphic control: leave the frame in place, maybe a transparent index.
        const uint8_t control[] = {0x21, 0xF9, 4, static_cast<uint8_t>(0x04 | (transparent ? 1 : 0)),
                                   static_cast<uint8_t>(delay), static_cast<uint8_t>(delay >> 8),
                                   static_cast<uint8_t>(transparent ? unchanged : 0), 0};
        out.insert(out.end(), control, control + sizeof control);
        out.push_back(0x2C);
        Put16(out, static_cast<unsigned>(b.left));
        Put16(out, static_cast<unsigned>(b.top));
        Put16(out, static_cast<unsigned>(b.right - b.left));
        Put16(out, static_cast<unsigned>(b.bottom - b.top));
        out.push_back(newPalette ? 0x87 : 0x00);
        if (newPalette) PutPalette(out, f.palette);
        out.push_back(MinCodeSize);
        PutSubBlocks(out, LzwEncode(box.data(), box.size()));
    }
    out.push_back(0x3B);
    return out;
}

}  // namespace capture
