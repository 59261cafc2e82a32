// Where the SDL back end puts the picture on the desktop, and how the
// desktop's pixels map back to picture pixels.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/sdl/screen_map.h"

using sdlmap::PictureFromScreen;
using sdlmap::PictureRect;
using sdlmap::PixelRect;
using sdlmap::ScreenFromPicture;

namespace {

struct RectCase {
    int width, height, screenWidth, screenHeight;
    PixelRect expected;
};

const RectCase RectCases[] = {
    {800, 600, 800, 600, {0, 0, 800, 600}},         // 1:1
    {640, 480, 640, 480, {0, 0, 640, 480}},
    {320, 240, 800, 600, {0, 0, 800, 600}},         // same shape, enlarged
    {1024, 768, 800, 600, {0, 0, 800, 600}},        // reduced
    {320, 200, 800, 600, {0, 0, 800, 600}},         // 16:10 modes fill a 4:3 screen
    {640, 400, 1024, 768, {0, 0, 1024, 768}},
    {320, 200, 1280, 800, {106, 0, 1067, 800}},     // and keep 4:3 on a 16:10 one
    {640, 400, 1920, 1080, {240, 0, 1440, 1080}},
    {800, 600, 1920, 1200, {160, 0, 1600, 1200}},   // bars at the sides
    {320, 240, 1366, 768, {171, 0, 1024, 768}},
    {1024, 768, 1280, 1024, {0, 32, 1280, 960}},    // bars above and below on 5:4
    {400, 300, 600, 800, {0, 175, 600, 450}},       // portrait screen
    {800, 600, 200, 150, {0, 0, 200, 150}},         // a preview window: all of it, reduced
    {1024, 768, 300, 200, {16, 0, 267, 200}},
    {320, 200, 160, 90, {20, 0, 120, 90}},
};

}  // namespace

TEST(SdlScreenMap, PictureRectKeepsTheShapeOfTheMonitorOfTheTime) {
    for (const RectCase& c : RectCases) {
        PixelRect r = PictureRect(c.width, c.height, c.screenWidth, c.screenHeight);
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " on " << c.screenWidth
                                        << "x" << c.screenHeight);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.w, c.expected.w);
        EXPECT_EQ(r.h, c.expected.h);
    }
}

TEST(SdlScreenMap, OffersExactlyTheSevenModesOfTheKeyTable) {
    const int offered[][2] = {{320, 200}, {320, 240}, {400, 300}, {640, 400},
                              {640, 480}, {800, 600}, {1024, 768}};
    for (const auto& m : offered) EXPECT_TRUE(sdlmap::ModeOffered(m[0], m[1])) << m[0] << "x" << m[1];
    const int refused[][2] = {{200, 320}, {800, 601}, {1280, 1024}, {640, 350}, {0, 0}, {-320, -200}};
    for (const auto& m : refused) EXPECT_FALSE(sdlmap::ModeOffered(m[0], m[1])) << m[0] << "x" << m[1];
}

TEST(SdlScreenMap, OneToOneMapsEveryPixelToItself) {
    PixelRect r = PictureRect(800, 600, 800, 600);
    for (int s : {0, 1, 2, 399, 598, 599}) {
        int px, py, sx, sy;
        PictureFromScreen(r, 800, 600, s, s, &px, &py);
        EXPECT_EQ(px, s);
        EXPECT_EQ(py, s);
        ScreenFromPicture(r, 800, 600, s, s, &sx, &sy);
        EXPECT_EQ(sx, s);
        EXPECT_EQ(sy, s);
    }
}

TEST(SdlScreenMap, EnlargedPicturesMapBackToTheSamePixelAndCoverEveryPixel) {
    const int screens[][2] = {{800, 600}, {1024, 768}, {1280, 800}, {1920, 1080}, {1280, 1024}};
    for (const auto& screen : screens) {
        for (const sdlmap::ModeSize& mode : sdlmap::OfferedModes) {
            PixelRect r = PictureRect(mode.width, mode.height, screen[0], screen[1]);
            if (r.w < mode.width || r.h < mode.height) continue;
            SCOPED_TRACE(testing::Message() << mode.width << "x" << mode.height << " on "
                                            << screen[0] << "x" << screen[1]);
            for (int p = 0; p < mode.width; ++p) {
                int sx, sy, px, py;
                ScreenFromPicture(r, mode.width, mode.height, p, p % mode.height, &sx, &sy);
                ASSERT_GE(sx, r.x);
                ASSERT_LT(sx, r.x + r.w);
                PictureFromScreen(r, mode.width, mode.height, sx, sy, &px, &py);
                ASSERT_EQ(px, p);
                ASSERT_EQ(py, p % mode.height);
            }
            // Left to right across the picture, every pixel shows, in order.
            int previous = -1;
            for (int s = r.x; s < r.x + r.w; ++s) {
                int px, py;
                PictureFromScreen(r, mode.width, mode.height, s, r.y, &px, &py);
                ASSERT_TRUE(px == previous || px == previous + 1) << "screen column " << s;
                previous = px;
            }
            EXPECT_EQ(previous, mode.width - 1);
        }
    }
}

TEST(SdlScreenMap, StretchedModeUsesWholeRowsPerPictureRow) {
    // 320x200 on 800x600: three screen rows per picture row, 2.5 columns per column.
    PixelRect r = PictureRect(320, 200, 800, 600);
    int px, py;
    PictureFromScreen(r, 320, 200, 0, 2, &px, &py);
    EXPECT_EQ(py, 0);
    PictureFromScreen(r, 320, 200, 0, 3, &px, &py);
    EXPECT_EQ(py, 1);
    PictureFromScreen(r, 320, 200, 799, 599, &px, &py);
    EXPECT_EQ(px, 319);
    EXPECT_EQ(py, 199);
    PictureFromScreen(r, 320, 200, 5, 0, &px, &py);
    EXPECT_EQ(px, 2);
}

TEST(SdlScreenMap, PositionsInTheBarsClampToTheNearestEdge) {
    PixelRect r = PictureRect(320, 200, 1280, 800);  // {106, 0, 1067, 800}
    int px, py;
    PictureFromScreen(r, 320, 200, 0, 400, &px, &py);
    EXPECT_EQ(px, 0);
    PictureFromScreen(r, 320, 200, 105, 400, &px, &py);
    EXPECT_EQ(px, 0);
    PictureFromScreen(r, 320, 200, 1279, 400, &px, &py);
    EXPECT_EQ(px, 319);
    PictureFromScreen(r, 320, 200, 600, -5, &px, &py);
    EXPECT_EQ(py, 0);
    PictureFromScreen(r, 320, 200, 600, 5000, &px, &py);
    EXPECT_EQ(py, 199);
    int sx, sy;
    ScreenFromPicture(r, 320, 200, 500, -3, &sx, &sy);
    EXPECT_EQ(sx, 106 + 1067 - 2);  // the last column's first-centred screen pixel
    EXPECT_EQ(sy, 2);  // row 0 covers screen rows 0 to 3
}

// A damaged picture rectangle becomes the screen rectangle whose pixels
// sample it: no more (other pixels would be sent for nothing), no less
// (they would keep the old picture).
TEST(SdlScreenMap, DamagedRectanglesMapToExactlyThePixelsThatShowThem) {
    struct Case {
        int pw, ph, sw, sh;          // picture and screen
        int l, t, r, b;              // damaged picture rectangle
        sdlmap::PixelRect expected;  // screen rectangle
    };
    const Case cases[] = {
        {800, 600, 800, 600, 10, 20, 74, 52, {10, 20, 64, 32}},      // one to one
        {320, 200, 800, 600, 10, 5, 12, 6, {25, 15, 5, 3}},          // 2.5 by 3, stretched to 4:3
        {320, 240, 1920, 1080, 0, 0, 320, 240, {240, 0, 1440, 1080}},  // whole picture, bars aside
        {800, 600, 200, 150, 0, 0, 3, 3, {0, 0, 1, 1}},              // a preview: a quarter size
        {800, 600, 200, 150, 1, 1, 2, 2, {0, 0, 0, 0}},              // a pixel no screen pixel samples
        {640, 480, 640, 480, -5, -5, 3, 900, {0, 0, 3, 480}},        // clipped to the picture
    };
    for (const Case& c : cases) {
        sdlmap::PixelRect place = sdlmap::PictureRect(c.pw, c.ph, c.sw, c.sh);
        sdlmap::PixelRect got = sdlmap::ScreenRectOf(place, c.pw, c.ph, c.l, c.t, c.r, c.b);
        if (c.expected.w == 0) {
            EXPECT_TRUE(got.w <= 0 || got.h <= 0) << c.pw << "x" << c.ph << " on " << c.sw << "x" << c.sh;
            continue;
        }
        EXPECT_EQ((std::vector<int>{got.x, got.y, got.w, got.h}),
                  (std::vector<int>{c.expected.x, c.expected.y, c.expected.w, c.expected.h}))
            << c.pw << "x" << c.ph << " on " << c.sw << "x" << c.sh;
    }
    // Every mode on two screens: the pixels inside the mapped rectangle are
    // exactly those whose sample falls in the damaged one.
    for (const sdlmap::ModeSize& m : sdlmap::OfferedModes)
        for (auto [sw, sh] : {std::pair{1920, 1080}, std::pair{1024, 768}}) {
            sdlmap::PixelRect place = sdlmap::PictureRect(m.width, m.height, sw, sh);
            std::vector<int> columns(size_t(place.w)), rows(size_t(place.h));
            sdlmap::SampleMap(place.w, m.width, columns.data());
            sdlmap::SampleMap(place.h, m.height, rows.data());
            const int l = m.width / 3, t = m.height / 4, r = l + 33, b = t + 17;
            sdlmap::PixelRect got = sdlmap::ScreenRectOf(place, m.width, m.height, l, t, r, b);
            for (int x = 0; x < place.w; ++x) {
                bool inside = x + place.x >= got.x && x + place.x < got.x + got.w;
                ASSERT_EQ(inside, columns[size_t(x)] >= l && columns[size_t(x)] < r) << m.width << " x=" << x;
            }
            for (int y = 0; y < place.h; ++y) {
                bool inside = y + place.y >= got.y && y + place.y < got.y + got.h;
                ASSERT_EQ(inside, rows[size_t(y)] >= t && rows[size_t(y)] < b) << m.height << " y=" << y;
                int px, py;
                sdlmap::PictureFromScreen(place, m.width, m.height, place.x, y + place.y, &px, &py);
                ASSERT_EQ(py, rows[size_t(y)]) << "the scaler samples as the mouse maps";
            }
        }
}
