// Pixels of the framework's painting, read back from a memory DC. The drawing has no text here
// except the modal frame's title, so both builds must give the same pixels.
#include <gtest/gtest.h>

#include "gdi_test_support.h"
#include "ui/drawing_resources.h"
#include "ui/frame_geometry.h"
#include "ui/frame_painting.h"
#include "ui/gdi_scope.h"
#include "ui_test_support.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

#define EXPECT_PIXEL(canvas, x, y, colour)                                               \
    EXPECT_EQ(uitest::Describe(GetPixel((canvas).Dc(), x, y)), uitest::Describe(colour)) \
        << "at (" << (x) << ", " << (y) << ")"

class ProgressPainting : public ::testing::TestWithParam<int> {};

// The 434 x 15 control of the dialog: track from 0 to 433, bar from 3 to right - 1 on rows 3 to 11.
TEST_P(ProgressPainting, TrackAndBar) {
    const int position = GetParam();
    gditest::Canvas canvas(434, 15);
    ui::OwnedGdiObject<HBRUSH> white(CreateSolidBrush(kWhite));
    ui::OwnedGdiObject<HPEN> barPen(CreatePen(PS_SOLID, 1, ui::kBarColour));
    ui::OwnedGdiObject<HBRUSH> barBrush(CreateSolidBrush(ui::kBarColour));
    ui::ProgressLook look;
    look.client = ui::MakeRect(0, 0, 434, 15);
    look.position = position;
    look.trackBrush = white.Get();
    look.barPen = barPen.Get();
    look.barBrush = barBrush.Get();
    ui::PaintProgress(canvas.Dc(), look);

    // The track: grey border on the straight parts, white inside, rounded corners left white.
    EXPECT_PIXEL(canvas, 200, 0, ui::kTrackBorder);
    EXPECT_PIXEL(canvas, 200, 14, ui::kTrackBorder);
    EXPECT_PIXEL(canvas, 0, 7, ui::kTrackBorder);
    EXPECT_PIXEL(canvas, 433, 7, ui::kTrackBorder);
    EXPECT_PIXEL(canvas, 0, 0, kWhite);
    EXPECT_PIXEL(canvas, 433, 14, kWhite);
    EXPECT_PIXEL(canvas, 200, 1, kWhite);

    ui::ProgressBar bar = ui::ProgressBarFor(look.client, position);
    if (!bar.visible) {
        for (int x : {3, 100, 216, 430}) EXPECT_PIXEL(canvas, x, 7, kWhite);
        return;
    }
    const int right = bar.bar.right;
    EXPECT_PIXEL(canvas, 3, 7, ui::kBarColour);
    EXPECT_PIXEL(canvas, right - 1, 7, ui::kBarColour);
    EXPECT_PIXEL(canvas, right, 7, kWhite);
    EXPECT_PIXEL(canvas, 3, 3, kWhite);  // the bar's left end is rounded
    EXPECT_PIXEL(canvas, (3 + right) / 2, 3, ui::kBarColour);
    EXPECT_PIXEL(canvas, (3 + right) / 2, 11, ui::kBarColour);
    EXPECT_PIXEL(canvas, (3 + right) / 2, 12, kWhite);
    // An unfinished bar ends square; a full one is rounded at both ends.
    EXPECT_PIXEL(canvas, right - 1, 3, position < 100 ? ui::kBarColour : kWhite);
    EXPECT_PIXEL(canvas, right - 1, 11, position < 100 ? ui::kBarColour : kWhite);
}

INSTANTIATE_TEST_SUITE_P(Positions, ProgressPainting, ::testing::Values(0, 7, 50, 100, 101));

TEST(ProgressPainting, HalfwayEndsAt217) {
    gditest::Canvas canvas(434, 15);
    ui::OwnedGdiObject<HBRUSH> white(CreateSolidBrush(kWhite));
    ui::OwnedGdiObject<HPEN> barPen(CreatePen(PS_SOLID, 1, ui::kBarColour));
    ui::OwnedGdiObject<HBRUSH> barBrush(CreateSolidBrush(ui::kBarColour));
    ui::ProgressLook look{ui::MakeRect(0, 0, 434, 15), 50, white.Get(), barPen.Get(),
                          barBrush.Get()};
    ui::PaintProgress(canvas.Dc(), look);
    for (int y = 3; y <= 11; ++y) {
        EXPECT_PIXEL(canvas, 216, y, ui::kBarColour);
        EXPECT_PIXEL(canvas, 217, y, kWhite);
    }
}

class ModalFramePainting : public ::testing::TestWithParam<bool> {};

TEST_P(ModalFramePainting, CaptionFrameAndCross) {
    const bool hover = GetParam();
    gditest::Canvas canvas(500, 310);
    ui::ModalFrameLook look;
    look.client = ui::MakeRect(0, 0, 500, 310);
    look.caption = ui::CaptionRect(look.client);
    look.closeCross = ui::ModalCloseCross(500);
    look.closeHover = hover;
    ui::PaintModalFrame(canvas.Dc(), look);

    EXPECT_PIXEL(canvas, 250, 15, ui::kCaptionColour);
    EXPECT_PIXEL(canvas, 0, 0, ui::kCaptionColour);  // the caption covers the frame's top
    EXPECT_PIXEL(canvas, 0, 100, ui::kFrameColour);
    EXPECT_PIXEL(canvas, 499, 100, ui::kFrameColour);
    EXPECT_PIXEL(canvas, 250, 309, ui::kFrameColour);
    EXPECT_PIXEL(canvas, 250, 30, kWhite);
    EXPECT_PIXEL(canvas, 1, 308, kWhite);

    const COLORREF cross = hover ? ui::kModalCloseHovered : ui::kModalCloseNormal;
    // Both strokes from their start up to the pixel before their end point.
    for (int i = 0; i <= 10; ++i) {
        EXPECT_PIXEL(canvas, 480 + i, 10 + i, cross);
        EXPECT_PIXEL(canvas, 480 + i, 20 - i, cross);
    }
    EXPECT_PIXEL(canvas, 491, 21, ui::kCaptionColour);  // end points are not drawn
    EXPECT_PIXEL(canvas, 491, 9, ui::kCaptionColour);
    EXPECT_PIXEL(canvas, 485, 10, ui::kCaptionColour);  // between the strokes
}

INSTANTIATE_TEST_SUITE_P(HoverStates, ModalFramePainting, ::testing::Bool());

}  // namespace
