// Geometry of the window framework, without a window.
#include <gtest/gtest.h>

#include "ui/frame_geometry.h"

namespace {

using ui::MakeRect;

void ExpectRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(actual.left, left);
    EXPECT_EQ(actual.top, top);
    EXPECT_EQ(actual.right, right);
    EXPECT_EQ(actual.bottom, bottom);
}

TEST(FrameGeometry, ProgressBarOfTheDialogsControl) {
    const RECT control = MakeRect(0, 0, 434, 15);
    struct Case {
        int position;
        bool visible;
        LONG right;
        bool squareEnd;
    } cases[] = {
        {0, false, 0, false},  {-5, false, 0, false},   {101, false, 0, false},
        {1, true, 7, true},    {7, true, 32, true},     {50, true, 217, true},
        {99, true, 426, true}, {100, true, 431, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        ui::ProgressBar bar = ui::ProgressBarFor(control, c.position);
        EXPECT_EQ(bar.visible, c.visible);
        if (!c.visible) continue;
        ExpectRect(bar.bar, 3, 3, c.right, 12);
        EXPECT_EQ(bar.squareEnd, c.squareEnd);
        if (c.squareEnd) ExpectRect(bar.squareFill, c.right - 4, 3, c.right, 12);
    }
}

TEST(FrameGeometry, CloseBoxAndCaption) {
    RECT cross = ui::ModalCloseCross(500);
    ExpectRect(cross, 480, 10, 490, 20);
    ExpectRect(ui::CloseHitArea(cross), 479, 9, 491, 21);
    ui::CrossStrokes strokes = ui::CrossStrokesOf(cross);
    EXPECT_EQ(strokes.firstFrom.x, 480);
    EXPECT_EQ(strokes.firstFrom.y, 10);
    EXPECT_EQ(strokes.firstTo.x, 491);
    EXPECT_EQ(strokes.firstTo.y, 21);
    EXPECT_EQ(strokes.secondFrom.x, 480);
    EXPECT_EQ(strokes.secondFrom.y, 20);
    EXPECT_EQ(strokes.secondTo.x, 491);
    EXPECT_EQ(strokes.secondTo.y, 9);
    ExpectRect(ui::CaptionRect(MakeRect(0, 0, 500, 310)), 0, 0, 500, 30);
}

TEST(FrameGeometry, ContainsTakesLeftAndTopButNotRightAndBottom) {
    const RECT area = MakeRect(479, 9, 491, 21);
    struct Case {
        LONG x, y;
        bool inside;
    } cases[] = {{479, 9, true},   {490, 20, true},  {491, 15, false},
                 {485, 21, false}, {478, 15, false}, {485, 8, false}};
    for (const Case& c : cases) {
        POINT point{c.x, c.y};
        EXPECT_EQ(ui::Contains(area, point), c.inside) << c.x << "," << c.y;
    }
}

TEST(FrameGeometry, OnlyAPlainLeftPressAwayFromTheCloseBoxDrags) {
    struct Case {
        WPARAM keys;
        bool onClose;
        bool drags;
    } cases[] = {
        {MK_LBUTTON, false, true},
        {MK_LBUTTON, true, false},
        {MK_LBUTTON | MK_CONTROL, false, false},
        {MK_LBUTTON | MK_SHIFT, false, false},
        {MK_LBUTTON | MK_CONTROL | MK_SHIFT, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::PressStartsDrag(c.keys, c.onClose), c.drags)
            << "keys " << c.keys << " on close " << c.onClose;
    }
}

}  // namespace
