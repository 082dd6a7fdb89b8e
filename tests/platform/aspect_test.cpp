// A resizable window keeps 4:3: an edge sets the other side, a corner goes by the larger share.
#include <gtest/gtest.h>

#include "platform/sdl2/sdl_platform.h"

TEST(WindowAspect, EdgesAndCorners) {
    struct Case {
        bool widthDragged, heightDragged;
        int w, h, wantW, wantH;
    };
    const Case cases[] = {
        {true, false, 960, 480, 960, 720},   // the right edge to 960: 960 x 720
        {false, true, 640, 720, 960, 720},   // the bottom edge
        {true, true, 800, 700, 933, 700},    // a corner: 700/480 > 800/640, the height decides
        {true, true, 1000, 600, 1000, 750},  // a corner the other way
        {true, true, 640, 480, 640, 480},    // equal shares
    };
    for (const Case& c : cases) {
        int w = c.w, h = c.h;
        sdl::AspectSize(640, 480, c.widthDragged, c.heightDragged, &w, &h);
        EXPECT_EQ(w, c.wantW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.wantH) << c.w << "x" << c.h;
    }
}
