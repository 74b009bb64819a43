// Where the picture lands in a real window of any size, and which client
// pixel a mouse point falls on: the arithmetic of the SDL window, without SDL.
#include <gtest/gtest.h>

#include "graphics/sdl_backend.h"

namespace {

using graphics::sdl::Box;
using graphics::sdl::letterbox;
using graphics::sdl::to_client;

struct BoxCase {
    int out_w, out_h, client_w, client_h;
    Box expected;
};

TEST(Letterbox, KeepsTheAspectWithCentredBars) {
    const BoxCase cases[] = {
        {640, 480, 640, 480, {0, 0, 640, 480}},        // the client size: 1:1
        {1280, 960, 640, 480, {0, 0, 1280, 960}},      // an exact multiple: scale 2
        {1280, 1024, 640, 480, {0, 32, 1280, 960}},    // bars above and below
        {1920, 1080, 640, 480, {240, 0, 1440, 1080}},  // bars left and right
        {1920, 1080, 800, 600, {240, 0, 1440, 1080}},
        {1000, 480, 640, 480, {180, 0, 640, 480}},  // wider: 1:1 between side bars
        {641, 481, 640, 480, {0, 0, 641, 481}},     // scale a hair above 1, rounded
        {3, 1000, 640, 480, {0, 499, 3, 2}},        // a sliver of a window
        {0, 480, 640, 480, {}},                     // minimised: no picture
        {640, -1, 640, 480, {}},
    };
    for (const BoxCase& c : cases) {
        EXPECT_EQ(letterbox(c.out_w, c.out_h, c.client_w, c.client_h), c.expected)
            << c.out_w << "x" << c.out_h << " showing " << c.client_w << "x" << c.client_h;
    }
}

TEST(Letterbox, MapsEveryOutputPixelOfThePictureToTheClient) {
    // At scale 2 every client pixel is a 2x2 square; the bars map to nothing.
    const Box box = letterbox(1280, 1024, 640, 480);
    int x = -1, y = -1;
    EXPECT_TRUE(to_client(box, 640, 480, 0, 32, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_TRUE(to_client(box, 640, 480, 1279, 991, x, y));
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    EXPECT_TRUE(to_client(box, 640, 480, 3, 35, x, y));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 1);
    EXPECT_FALSE(to_client(box, 640, 480, 10, 31, x, y));     // the bar above
    EXPECT_FALSE(to_client(box, 640, 480, 10, 992, x, y));    // the bar below
    EXPECT_FALSE(to_client(box, 640, 480, -1, 100, x, y));    // left of the window
    EXPECT_FALSE(to_client(box, 640, 480, 1280, 100, x, y));  // right of it
}

TEST(Letterbox, PointsJustOutsideASideBoxDoNotRoundIntoColumnZero) {
    // Side bars of 180 pixels at scale 1.25: x = 179 lies in the bar, and
    // truncation toward zero would put it in column 0.
    const Box box = letterbox(1160, 600, 640, 480);
    ASSERT_EQ(box, (Box{180, 0, 800, 600}));
    int x = -1, y = -1;
    EXPECT_FALSE(to_client(box, 640, 480, 179, 300, x, y));
    EXPECT_TRUE(to_client(box, 640, 480, 180, 300, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_TRUE(to_client(box, 640, 480, 979, 599, x, y));
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    EXPECT_FALSE(to_client(box, 640, 480, 980, 300, x, y));
}

TEST(Letterbox, NoPictureMeansNoHit) {
    int x = 7, y = 7;
    EXPECT_FALSE(to_client(Box{}, 640, 480, 0, 0, x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 7);
}

}  // namespace
