// artgen: turns the text sources in res/art/ into the bitmaps and the icon
// that the program carries as resources.
//
//   velkaro_artgen <art folder> <output folder>
//   velkaro_artgen --png <scale> <art file> <output.png>
//
// The second form draws one picture as a PNG, each pixel a square of
// scale x scale, hidden pixels transparent: the icon for Linux desktops.
//
// Every *.txt file of the art folder describes one output file:
//
//   # comment
//   file card1.bmp          output name; .bmp writes a bitmap, .ico an icon
//   ppm 3780                biXPelsPerMeter and biYPelsPerMeter (bitmaps)
//   size 64 64              picture size in pixels
//   cell 32 16              size of one block of pixel rows (see below)
//   colour g 16 board       character, palette index, description
//   clear .                 icon only: character whose pixels the mask hides
//   block 0 any label       a block header, followed by its pixel rows
//
// The picture is cut into cells of the given size, filled in reading order
// (left to right, then top to bottom) by the blocks; each block header names
// the cell it fills, so a block out of place is an error and not a silent
// shuffle of frames.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Art {
    std::string source;
    std::string output;
    int ppm = 0;
    int width = 0, height = 0;
    int cellWidth = 0, cellHeight = 0;
    std::map<char, int> colours;
    char clear = 0;
    std::vector<uint8_t> pixels;  // top row first
    std::vector<bool> hidden;     // icon mask, top row first
};

struct ArtError {
    std::string text;
};

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
    std::ostringstream out;
    out << file << ':' << line << ": " << what;
    throw ArtError{out.str()};
}

// Index bits RRRGGGBB; the top levels are full intensity so that white and
// the magenta key colour are exact.
void ShadeOf(int index, uint8_t& red, uint8_t& green, uint8_t& blue) {
    static const uint8_t level8[8] = {0, 32, 64, 96, 128, 160, 192, 255};
    static const uint8_t level4[4] = {0, 64, 128, 255};
    red = level8[(index >> 5) & 7];
    green = level8[(index >> 2) & 7];
    blue = level4[index & 3];
}

Art Parse(const fs::path& path) {
    Art art;
    art.source = path.string();
    std::ifstream in(path);
    if (!in) Fail(art.source, 0, "cannot open");
    std::string line;
    int lineNo = 0;
    int cellsAcross = 0, cellCount = 0, nextCell = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "file") {
            words >> art.output;
        } else if (key == "ppm") {
            words >> art.ppm;
        } else if (key == "size") {
            words >> art.width >> art.height;
            if (art.width <= 0 || art.height <= 0) Fail(art.source, lineNo, "bad size");
            art.pixels.assign(size_t(art.width) * art.height, 0);
            art.hidden.assign(art.pixels.size(), false);
        } else if (key == "cell") {
            words >> art.cellWidth >> art.cellHeight;
            if (art.width == 0) Fail(art.source, lineNo, "cell before size");
            if (art.cellWidth <= 0 || art.cellHeight <= 0 || art.width % art.cellWidth ||
                art.height % art.cellHeight)
                Fail(art.source, lineNo, "cells must tile the picture");
            cellsAcross = art.width / art.cellWidth;
            cellCount = cellsAcross * (art.height / art.cellHeight);
        } else if (key == "colour") {
            std::string symbol;
            int index = -1;
            words >> symbol >> index;
            if (symbol.size() != 1 || index < 0 || index > 255)
                Fail(art.source, lineNo, "colour needs one character and an index 0..255");
            if (!art.colours.emplace(symbol[0], index).second)
                Fail(art.source, lineNo, "character defined twice");
        } else if (key == "clear") {
            std::string symbol;
            words >> symbol;
            if (symbol.size() != 1) Fail(art.source, lineNo, "clear needs one character");
            art.clear = symbol[0];
        } else if (key == "block") {
            int number = -1;
            words >> number;
            if (cellCount == 0) Fail(art.source, lineNo, "block before cell");
            if (number != nextCell)
                Fail(art.source, lineNo, "expected block " + std::to_string(nextCell));
            if (nextCell >= cellCount) Fail(art.source, lineNo, "more blocks than cells");
            const int left = (nextCell % cellsAcross) * art.cellWidth;
            const int top = (nextCell / cellsAcross) * art.cellHeight;
            for (int r = 0; r < art.cellHeight; ++r) {
                if (!std::getline(in, line)) Fail(art.source, lineNo, "block ends early");
                ++lineNo;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (int(line.size()) != art.cellWidth)
                    Fail(art.source, lineNo,
                         "row of " + std::to_string(line.size()) + " characters, expected " +
                             std::to_string(art.cellWidth));
                for (int c = 0; c < art.cellWidth; ++c) {
                    auto found = art.colours.find(line[c]);
                    if (found == art.colours.end())
                        Fail(art.source, lineNo, std::string("no colour for '") + line[c] + "'");
                    const size_t at = size_t(top + r) * art.width + left + c;
                    art.pixels[at] = uint8_t(found->second);
                    art.hidden[at] = line[c] == art.clear;
                }
            }
            ++nextCell;
        } else {
            Fail(art.source, lineNo, "unknown line: " + line);
        }
    }
    if (art.output.empty()) Fail(art.source, lineNo, "no file line");
    if (cellCount == 0 || nextCell != cellCount)
        Fail(art.source, lineNo, "picture not filled: " + std::to_string(nextCell) + " of " +
                                     std::to_string(cellCount) + " blocks");
    return art;
}

void Put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER and the 256-entry colour table; pixels are bottom-up rows
// padded to four bytes.
void PutInfo(std::vector<uint8_t>& out, int width, int storedHeight, uint32_t imageSize, int ppm) {
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(storedHeight));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, uint32_t(ppm));
    Put32(out, uint32_t(ppm));
    Put32(out, 0);
    Put32(out, 0);
    for (int i = 0; i < 256; ++i) {
        uint8_t red, green, blue;
        ShadeOf(i, red, green, blue);
        out.push_back(blue);
        out.push_back(green);
        out.push_back(red);
        out.push_back(0);
    }
}

void PutRows(std::vector<uint8_t>& out, const Art& art) {
    const int stride = (art.width + 3) & ~3;
    for (int r = art.height - 1; r >= 0; --r) {
        const uint8_t* row = &art.pixels[size_t(r) * art.width];
        out.insert(out.end(), row, row + art.width);
        out.insert(out.end(), size_t(stride - art.width), 0);
    }
}

std::vector<uint8_t> Bitmap(const Art& art) {
    const int stride = (art.width + 3) & ~3;
    const uint32_t imageSize = uint32_t(stride) * art.height;
    const uint32_t bitsOffset = 14 + 40 + 1024;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, bitsOffset + imageSize);
    Put32(out, 0);
    Put32(out, bitsOffset);
    PutInfo(out, art.width, art.height, imageSize, art.ppm);
    PutRows(out, art);
    return out;
}

// One 8-bit image: the colour rows, then the AND mask (1 = screen shows
// through), both bottom-up, the mask rows padded to four bytes. Hidden pixels
// keep the index the art gives them; the usual choice is black.
std::vector<uint8_t> Icon(const Art& art) {
    if (art.width > 256 || art.height > 256) Fail(art.source, 0, "icon larger than 256");
    const int stride = (art.width + 3) & ~3;
    const int maskStride = ((art.width + 31) / 32) * 4;
    const uint32_t colourSize = uint32_t(stride) * art.height;
    const uint32_t maskSize = uint32_t(maskStride) * art.height;
    const uint32_t imageBytes = 40 + 1024 + colourSize + maskSize;

    std::vector<uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(uint8_t(art.width));
    out.push_back(uint8_t(art.height));
    out.push_back(0);  // 256 colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 8);  // bits per pixel
    Put32(out, imageBytes);
    Put32(out, 6 + 16);
    PutInfo(out, art.width, art.height * 2, colourSize + maskSize, 0);
    PutRows(out, art);
    for (int r = art.height - 1; r >= 0; --r) {
        std::vector<uint8_t> bits(size_t(maskStride), 0);
        for (int c = 0; c < art.width; ++c)
            if (art.hidden[size_t(r) * art.width + c]) bits[size_t(c / 8)] |= uint8_t(0x80 >> (c % 8));
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

// Stored (uncompressed) deflate blocks keep this free of zlib; the files are
// small and the package compresses them anyway.
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBig32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc32(&out[start], out.size() - start));
}

std::vector<uint8_t> Png(const Art& art, int scale) {
    const int width = art.width * scale, height = art.height * scale;
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < width; ++x) {
            const size_t at = size_t(y / scale) * art.width + size_t(x / scale);
            uint8_t red, green, blue;
            ShadeOf(art.pixels[at], red, green, blue);
            raw.insert(raw.end(), {red, green, blue, uint8_t(art.hidden[at] ? 0 : 255)});
        }
    }
    std::vector<uint8_t> zlib{0x78, 0x01};
    for (size_t done = 0; done < raw.size();) {
        const size_t part = std::min<size_t>(raw.size() - done, 65535);
        zlib.push_back(done + part == raw.size() ? 1 : 0);
        Put16(zlib, unsigned(part));
        Put16(zlib, unsigned(~part & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + std::ptrdiff_t(done), raw.begin() + std::ptrdiff_t(done + part));
        done += part;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(zlib, b << 16 | a);

    std::vector<uint8_t> header;
    PutBig32(header, uint32_t(width));
    PutBig32(header, uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

void WriteFile(const fs::path& target, const std::vector<uint8_t>& bytes) {
    std::ofstream out(target, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw ArtError{"cannot write " + target.string()};
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool png = argc == 5 && std::string(argv[1]) == "--png";
    if (argc != 3 && !png) {
        std::fprintf(stderr,
                     "usage: %s <art folder> <output folder>\n"
                     "       %s --png <scale> <art file> <output.png>\n",
                     argv[0], argv[0]);
        return 2;
    }
    try {
        if (png) {
            const int scale = std::atoi(argv[2]);
            if (scale < 1 || scale > 16) throw ArtError{std::string("bad scale: ") + argv[2]};
            WriteFile(argv[4], Png(Parse(argv[3]), scale));
            return 0;
        }
        std::vector<fs::path> sources;
        for (const auto& entry : fs::directory_iterator(argv[1]))
            if (entry.is_regular_file() && entry.path().extension() == ".txt")
                sources.push_back(entry.path());
        if (sources.empty()) throw ArtError{std::string("no .txt art in ") + argv[1]};
        std::sort(sources.begin(), sources.end());
        fs::create_directories(argv[2]);
        std::map<std::string, std::string> written;
        for (const auto& source : sources) {
            const Art art = Parse(source);
            if (!written.emplace(art.output, art.source).second)
                throw ArtError{art.source + ": " + art.output + " also made by " + written[art.output]};
            std::vector<uint8_t> bytes;
            if (EndsWith(art.output, ".bmp")) {
                if (art.clear) Fail(art.source, 0, "a bitmap has no mask");
                bytes = Bitmap(art);
            } else if (EndsWith(art.output, ".ico")) {
                bytes = Icon(art);
            } else {
                Fail(art.source, 0, "output must be .bmp or .ico: " + art.output);
            }
            WriteFile(fs::path(argv[2]) / art.output, bytes);
        }
    } catch (const ArtError& error) {
        std::fprintf(stderr, "artgen: %s\n", error.text.c_str());
        return 1;
    } catch (const fs::filesystem_error& error) {
        std::fprintf(stderr, "artgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
