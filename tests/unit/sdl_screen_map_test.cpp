// Where the SDL back end puts the picture on the desktop, and how the
// desktop's pixels map back to picture pixels.
#include <gtest/gtest.h>

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
