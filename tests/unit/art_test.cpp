// The embedded bitmaps against the rules that the loader and the drawing code
// rely on: fixed layout, shared palette, where the pictures lie in each
// sheet, and the colours they may use. Plus the icon file of the Windows
// build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/resources.h"
#include "res/resources.h"

namespace {

constexpr int kSide = 64;
constexpr uint32_t kDibSize = 5160;
constexpr int kColourTable = 40;
constexpr int kPixels = 1064;
constexpr uint8_t kBoard = 16;
constexpr uint8_t kBracket = 219;
constexpr uint8_t kMarkAtBracket = 210;

uint32_t Le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

const EmbeddedResource* FindBitmap(unsigned id) {
    for (unsigned i = 0; i < EmbeddedResourceCount; ++i)
        if (EmbeddedResources[i].id == id && EmbeddedResources[i].type == 2) return &EmbeddedResources[i];
    return nullptr;
}

// Picture coordinates: row 0 at the top, stored last.
struct Sheet {
    const unsigned char* dib;
    uint8_t At(int x, int y) const { return dib[kPixels + kSide * (kSide - 1 - y) + x]; }
    bool Opaque(int x, int y) const { return At(x, y) != TRANSPARENT_INDEX; }
};

struct Span {
    int first, last;  // inclusive
};

// How much of a picture's box its opaque pixels fill.
enum class Fill {
    kSomewhere,    // shapes checked on their own
    kRowsAndEnds,  // every row, the first and the last column
    kRowsAndColumns,
};

// Where opaque pixels may lie, in sheet pixels, inclusive.
struct Box {
    int left, top, right, bottom;
    Fill fill;
};

struct CardRules {
    Span rows[8];  // opaque rows of each frame, within its cell
    Span columns;
    Span bracket;
    uint8_t tiltedBoard;
    uint8_t contacts;
    int frame7Drop;  // rows that frame 7 lies below frame 1
    int bracketMarks;
};

struct SheetRules {
    const char* name;
    unsigned id;
    uint32_t pelsPerMeter;
    std::set<uint8_t> colours;  // exactly the indices the sheet holds
    const CardRules* card;
    std::vector<Box> boxes;  // captions; cards and digits derive theirs
};

const CardRules kCard1 = {
    {{0, 15}, {4, 11}, {6, 9}, {4, 11}, {0, 15}, {4, 11}, {6, 9}, {4, 11}},
    {0, 31}, {31, 31}, 9, 252, 0, 0};
const CardRules kCard2 = {
    {{0, 15}, {4, 11}, {7, 8}, {4, 11}, {0, 15}, {4, 11}, {7, 8}, {4, 11}},
    {0, 28}, {0, 2}, 10, 254, 0, 0};
const CardRules kCard3 = {
    {{0, 14}, {3, 11}, {6, 8}, {3, 11}, {1, 15}, {5, 13}, {9, 11}, {5, 13}},
    {0, 31}, {31, 31}, 10, 252, 2, 2};

const SheetRules kSheets[] = {
    {"card1", IDB_CARD_1, 3780, {0, 9, 16, 219, 227, 252, 255}, &kCard1, {}},
    {"card2", IDB_CARD_2, 3780, {0, 3, 10, 16, 219, 227, 254, 255}, &kCard2, {}},
    {"card3", IDB_CARD_3, 3780, {0, 7, 10, 16, 210, 219, 227, 252, 255}, &kCard3, {}},
    {"captions", IDB_CAPTIONS, 3780, {227, 252}, nullptr,
     {{7, 5, 55, 10, Fill::kRowsAndEnds},     // 3dfx Voodoo
      {3, 18, 59, 23, Fill::kRowsAndEnds},    // ESS AudioDrive
      {24, 25, 40, 30, Fill::kRowsAndEnds},   // 1869
      {7, 37, 57, 42, Fill::kRowsAndEnds}}},  // TVGA 9000C; row 3 empty
    {"digits", IDB_DIGITS, 0, {227, 255}, nullptr, {}},
};

// Block rows of each digit, top to bottom: 3 blocks of 2x2 pixels across.
const char* const kDigitBlocks[10][5] = {
    {"###", "#.#", "#.#", "#.#", "###"}, {"..#", "..#", "..#", "..#", "..#"},
    {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
    {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
    {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
    {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"},
};

void PrintTo(const SheetRules& rules, std::ostream* out) { *out << rules.name; }

std::string NameOf(const testing::TestParamInfo<SheetRules>& info) { return info.param.name; }

std::vector<Box> BoxesOf(const SheetRules& rules) {
    std::vector<Box> boxes = rules.boxes;
    if (rules.card) {
        for (int f = 0; f < 8; ++f) {
            const RECT& cell = FrameRects[f];
            boxes.push_back({cell.left + rules.card->columns.first, cell.top + rules.card->rows[f].first,
                             cell.left + rules.card->columns.last, cell.top + rules.card->rows[f].last,
                             Fill::kRowsAndColumns});
        }
    }
    if (rules.id == IDB_DIGITS) {
        for (const RECT& r : DigitRects) boxes.push_back({r.left + 1, r.top + 1, r.left + 6, r.top + 10, Fill::kSomewhere});
    }
    return boxes;
}

// The palette rule, index bits RRRGGGBB, as blue, green, red, 0.
std::vector<uint8_t> SharedColourTable() {
    const uint8_t level8[8] = {0, 32, 64, 96, 128, 160, 192, 255};
    const uint8_t level4[4] = {0, 64, 128, 255};
    std::vector<uint8_t> table;
    for (int i = 0; i < 256; ++i) {
        table.push_back(level4[i & 3]);
        table.push_back(level8[(i >> 2) & 7]);
        table.push_back(level8[(i >> 5) & 7]);
        table.push_back(0);
    }
    return table;
}

void ExpectSharedColourTable(const unsigned char* table) {
    // The entries that the program and the backgrounds name.
    const struct {
        int index;
        uint8_t blue, green, red;
    } named[] = {{0, 0, 0, 0}, {146, 128, 128, 128}, {227, 255, 0, 255}, {255, 255, 255, 255}, {16, 0, 128, 0}};
    for (const auto& n : named) {
        const unsigned char* e = table + 4 * n.index;
        EXPECT_EQ(e[0], n.blue) << "entry " << n.index;
        EXPECT_EQ(e[1], n.green) << "entry " << n.index;
        EXPECT_EQ(e[2], n.red) << "entry " << n.index;
        EXPECT_EQ(e[3], 0) << "entry " << n.index;
    }
    const std::vector<uint8_t> expected = SharedColourTable();
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(table[i], expected[size_t(i)]) << "entry " << i / 4 << " byte " << i % 4;
}

class ArtSheet : public testing::TestWithParam<SheetRules> {
protected:
    void SetUp() override {
        resource = FindBitmap(GetParam().id);
        ASSERT_NE(resource, nullptr) << "no bitmap " << GetParam().id;
        ASSERT_EQ(resource->size, kDibSize);
        sheet.dib = resource->data;
    }
    const EmbeddedResource* resource = nullptr;
    Sheet sheet{};
};

TEST_P(ArtSheet, HeaderFieldsGiveTheFixedLayout) {
    const struct {
        int offset, size;
        uint32_t value;
    } fields[] = {
        {0, 4, 40},  {4, 4, 64},  {8, 4, 64},  {12, 2, 1},  {14, 2, 8},  {16, 4, 0},
        {20, 4, 4096}, {24, 4, GetParam().pelsPerMeter}, {28, 4, GetParam().pelsPerMeter}, {32, 4, 0}, {36, 4, 0},
    };
    for (const auto& f : fields) {
        const unsigned char* p = sheet.dib + f.offset;
        EXPECT_EQ(f.size == 4 ? Le32(p) : Le16(p), f.value) << "field at offset " << f.offset;
    }
}

TEST_P(ArtSheet, CarriesTheSharedPalette) { ExpectSharedColourTable(sheet.dib + kColourTable); }

TEST_P(ArtSheet, HoldsExactlyItsColours) {
    std::set<uint8_t> used;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) used.insert(sheet.At(x, y));
    EXPECT_EQ(used, GetParam().colours);
}

TEST_P(ArtSheet, IsTransparentOutsideItsPictures) {
    const std::vector<Box> boxes = BoxesOf(GetParam());
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            if (!sheet.Opaque(x, y)) continue;
            const bool inside = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
                return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
            });
            EXPECT_TRUE(inside) << "opaque index " << int(sheet.At(x, y)) << " at (" << x << ", " << y << ")";
        }
    for (const Box& b : boxes) {
        if (b.fill == Fill::kSomewhere) continue;
        for (int y = b.top; y <= b.bottom; ++y) {
            bool any = false;
            for (int x = b.left; x <= b.right; ++x) any = any || sheet.Opaque(x, y);
            EXPECT_TRUE(any) << "row " << y << " of the picture at (" << b.left << ", " << b.top << ") is empty";
        }
        for (int x = b.left; x <= b.right; ++x) {
            if (b.fill == Fill::kRowsAndEnds && x != b.left && x != b.right) continue;
            bool any = false;
            for (int y = b.top; y <= b.bottom; ++y) any = any || sheet.Opaque(x, y);
            EXPECT_TRUE(any) << "column " << x << " of the picture at (" << b.left << ", " << b.top << ") is empty";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Art, ArtSheet, testing::ValuesIn(kSheets), NameOf);

class CardSheet : public ArtSheet {
protected:
    const CardRules& card() const { return *GetParam().card; }
    uint8_t Frame(int f, int x, int y) const { return sheet.At(FrameRects[f].left + x, FrameRects[f].top + y); }
    std::map<uint8_t, int> Census(int f) const {
        std::map<uint8_t, int> count;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                if (Frame(f, x, y) != TRANSPARENT_INDEX) ++count[Frame(f, x, y)];
        return count;
    }
};

TEST_P(CardSheet, BoardIsDarkerInTheTiltedFrames) {
    for (int f = 0; f < 8; ++f) {
        const bool tilted = f % 2 == 1;
        const std::map<uint8_t, int> count = Census(f);
        const auto most = std::max_element(count.begin(), count.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        ASSERT_NE(most, count.end()) << "frame " << f << " is empty";
        EXPECT_EQ(int(most->first), tilted ? card().tiltedBoard : kBoard) << "board of frame " << f;
        EXPECT_EQ(count.count(tilted ? kBoard : card().tiltedBoard), 0u) << "other board colour in frame " << f;
    }
}

TEST_P(CardSheet, Frame7IsFrame1) {
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x) {
            const int from = y - card().frame7Drop;
            const uint8_t expected = from >= 0 && from < 16 ? Frame(1, x, from) : TRANSPARENT_INDEX;
            EXPECT_EQ(Frame(7, x, y), expected) << "frame 7 at (" << x << ", " << y << ")";
        }
}

TEST_P(CardSheet, BracketStaysAtItsEnd) {
    for (int f = 0; f < 8; ++f) {
        int seen = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                if (Frame(f, x, y) != kBracket) continue;
                ++seen;
                EXPECT_TRUE(x >= card().bracket.first && x <= card().bracket.last)
                    << "bracket colour at (" << x << ", " << y << ") of frame " << f;
            }
        EXPECT_GT(seen, 0) << "no bracket in frame " << f;
    }
    for (int x = card().bracket.first; x <= card().bracket.last; ++x) {
        bool any = false;
        for (int y = 0; y < 16; ++y) any = any || Frame(0, x, y) == kBracket;
        EXPECT_TRUE(any) << "column " << x << " of frame 0 has no bracket";
    }
}

// Face-on and tilted, the contacts are the card's bottom edge on the component
// side and its top edge on the back.
TEST_P(CardSheet, ContactsLieAlongTheEdgeFacingTheTurn) {
    const struct {
        int frame;
        bool bottom;
    } edges[] = {{0, true}, {1, true}, {7, true}, {3, false}, {4, false}, {5, false}};
    for (const auto& e : edges) {
        const int y = e.bottom ? card().rows[e.frame].last : card().rows[e.frame].first;
        int contacts = 0;
        for (int x = 0; x < 32; ++x) contacts += Frame(e.frame, x, y) == card().contacts;
        EXPECT_GE(contacts, 4) << "contacts on row " << y << " of frame " << e.frame;
    }
}

TEST_P(CardSheet, MarksAtTheBracketOnlyInFrame0) {
    int total = 0, nearBracket = 0;
    for (int f = 0; f < 8; ++f)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x) {
                if (Frame(f, x, y) != kMarkAtBracket) continue;
                ++total;
                nearBracket += f == 0 && x >= card().bracket.first - 1 && x <= card().bracket.last + 1;
            }
    EXPECT_EQ(total, card().bracketMarks);
    EXPECT_EQ(nearBracket, card().bracketMarks);
}

INSTANTIATE_TEST_SUITE_P(Art, CardSheet, testing::ValuesIn(kSheets, kSheets + 3), NameOf);

TEST(ArtDigits, GlyphsSitAtOneOneInTheirRectangles) {
    const EmbeddedResource* digits = FindBitmap(IDB_DIGITS);
    ASSERT_NE(digits, nullptr);
    const Sheet sheet{digits->data};
    for (int d = 0; d < 10; ++d) {
        const RECT& r = DigitRects[d];
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                const int gx = x - r.left - 1, gy = y - r.top - 1;
                const bool white = gx >= 0 && gx < 6 && gy >= 0 && gy < 10 && kDigitBlocks[d][gy / 2][gx / 2] == '#';
                EXPECT_EQ(sheet.At(x, y), white ? 255 : TRANSPARENT_INDEX)
                    << "digit " << d << " at (" << x - r.left << ", " << y - r.top << ") of its rectangle";
            }
    }
}

TEST(ArtDigits, TopRowIsStoredLast) {
    const EmbeddedResource* digits = FindBitmap(IDB_DIGITS);
    ASSERT_NE(digits, nullptr);
    for (int i = 5096; i < 5160; ++i) EXPECT_EQ(digits->data[i], TRANSPARENT_INDEX) << "offset " << i;
    // Row 1: the top bar of the 0.
    EXPECT_EQ(digits->data[5032], TRANSPARENT_INDEX);
    for (int i = 5033; i <= 5038; ++i) EXPECT_EQ(digits->data[i], 255) << "offset " << i;
    EXPECT_EQ(digits->data[5039], TRANSPARENT_INDEX);
}

TEST(ArtResources, EveryBitmapIsEmbeddedOnce) {
    const unsigned ids[] = {IDB_CARD_1, IDB_CARD_2, IDB_CARD_3, IDB_CAPTIONS, IDB_DIGITS};
    for (unsigned id : ids) {
        int found = 0;
        for (unsigned i = 0; i < EmbeddedResourceCount; ++i)
            found += EmbeddedResources[i].id == id && EmbeddedResources[i].type == 2;
        EXPECT_EQ(found, 1) << "bitmap " << id;
    }
}

// The icon is not embedded; the Windows resource script takes the file.
std::vector<unsigned char> ReadIconFile() {
    std::string path = __FILE__;
    path = path.substr(0, path.rfind("tests/unit/")) + "res/velkaro.ico";
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ArtIcon, IsOne32x32ImageWithTheSharedPalette) {
    const std::vector<unsigned char> file = ReadIconFile();
    ASSERT_EQ(file.size(), 22u + 2216u);
    const unsigned char* p = file.data();
    EXPECT_EQ(Le16(p), 0);
    EXPECT_EQ(Le16(p + 2), 1);  // icon
    EXPECT_EQ(Le16(p + 4), 1);  // one image
    EXPECT_EQ(p[6], 32);
    EXPECT_EQ(p[7], 32);
    EXPECT_EQ(p[8], 0);  // 256 colours
    EXPECT_EQ(Le16(p + 10), 1);
    EXPECT_EQ(Le16(p + 12), 8);
    EXPECT_EQ(Le32(p + 14), 2216u);
    EXPECT_EQ(Le32(p + 18), 22u);
    const unsigned char* image = p + 22;
    EXPECT_EQ(Le32(image), 40u);
    EXPECT_EQ(Le32(image + 4), 32u);
    EXPECT_EQ(Le32(image + 8), 64u);  // colour rows and mask rows
    EXPECT_EQ(Le16(image + 12), 1);
    EXPECT_EQ(Le16(image + 14), 8);
    EXPECT_EQ(Le32(image + 16), 0u);
    ExpectSharedColourTable(image + 40);
}

TEST(ArtIcon, MaskShowsOnlyTheCard) {
    const std::vector<unsigned char> file = ReadIconFile();
    ASSERT_EQ(file.size(), 22u + 2216u);
    const unsigned char* colours = file.data() + 22 + 40 + 1024;
    const unsigned char* mask = colours + 32 * 32;
    auto index = [&](int x, int y) { return colours[32 * (31 - y) + x]; };
    auto shown = [&](int x, int y) { return (mask[4 * (31 - y) + x / 8] & (0x80 >> (x % 8))) == 0; };

    struct Extent {
        int left = 32, top = 32, right = -1, bottom = -1;
    };
    std::map<uint8_t, Extent> parts;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (!shown(x, y)) {
                // Black under a set mask bit leaves the desktop unchanged.
                EXPECT_EQ(index(x, y), 0) << "hidden pixel (" << x << ", " << y << ")";
                continue;
            }
            Extent& e = parts[index(x, y)];
            e.left = std::min(e.left, x), e.right = std::max(e.right, x);
            e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
        }
    std::set<uint8_t> used;
    for (const auto& part : parts) used.insert(part.first);
    EXPECT_EQ(used, (std::set<uint8_t>{3, 16, 146, 218, 252}));
    EXPECT_FALSE(shown(0, 0) || shown(31, 0) || shown(0, 31) || shown(31, 31)) << "a corner is shown";

    // One piece: everything shown is reached from one shown pixel.
    std::vector<std::pair<int, int>> todo;
    std::set<std::pair<int, int>> reached;
    for (int i = 0; i < 32 * 32 && todo.empty(); ++i)
        if (shown(i % 32, i / 32)) todo.push_back({i % 32, i / 32});
    int total = 0;
    for (int i = 0; i < 32 * 32; ++i) total += shown(i % 32, i / 32);
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        if (x < 0 || x > 31 || y < 0 || y > 31 || !shown(x, y) || !reached.insert({x, y}).second) continue;
        todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    EXPECT_EQ(int(reached.size()), total) << "the shown pixels are not one piece";
    EXPECT_LT(parts[218].right, parts[16].left) << "bracket left of the board";
    EXPECT_GT(parts[252].bottom, parts[146].bottom) << "contacts below the chips";
    EXPECT_GE(parts[252].bottom, parts[16].bottom) << "contacts at the bottom edge";
}

}  // namespace
