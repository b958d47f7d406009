// Shapes, pixel for pixel: rectangles with brushes, rounded rectangles and lines with 1-pixel pens.
// The expected pictures are what Windows' gdi32 (here: Wine's) draws.
#include <gtest/gtest.h>

#include "gdi_test_support.h"

namespace {

using gditest::Canvas;
using gditest::Rows;

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kPen = RGB(200, 0, 0), kBrush = RGB(0, 0, 200);
const COLORREF kBarPen = RGB(0, 150, 0), kBarBrush = RGB(0, 220, 220);
const std::vector<std::pair<COLORREF, char>> kLegend = {
    {kWhite, '.'}, {kPen, '#'}, {kBrush, 'o'}, {kBarPen, 'x'}, {kBarBrush, '+'}};

// Selects a new pen and brush of those colours for as long as it lives.
class PenAndBrush {
  public:
    PenAndBrush(HDC dc, COLORREF pen, COLORREF brush) : dc_(dc) {
        pen_ = CreatePen(PS_SOLID, 1, pen);
        brush_ = CreateSolidBrush(brush);
        oldPen_ = SelectObject(dc, pen_);
        oldBrush_ = SelectObject(dc, brush_);
    }
    ~PenAndBrush() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        DeleteObject(pen_);
        DeleteObject(brush_);
    }

  private:
    HDC dc_;
    HPEN pen_;
    HBRUSH brush_;
    HGDIOBJ oldPen_, oldBrush_;
};

TEST(GdiShapes, FillRectAndFrameRectLeaveOutTheRightAndBottomEdges) {
    Canvas canvas(12, 10);
    HBRUSH fill = CreateSolidBrush(kBrush), frame = CreateSolidBrush(kPen);
    RECT filled = {1, 1, 5, 4}, framed = {6, 2, 11, 9}, empty = {3, 6, 3, 9};
    EXPECT_TRUE(FillRect(canvas.Dc(), &filled, fill));
    EXPECT_TRUE(FrameRect(canvas.Dc(), &framed, frame));
    FillRect(canvas.Dc(), &empty, frame);  // no width: nothing
    EXPECT_EQ(canvas.Map({0, 0, 12, 10}, kLegend), Rows({
                                                       "............",
                                                       ".oooo.......",
                                                       ".oooo.#####.",
                                                       ".oooo.#...#.",
                                                       "......#...#.",
                                                       "......#...#.",
                                                       "......#...#.",
                                                       "......#...#.",
                                                       "......#####.",
                                                       "............",
                                                   }));
    DeleteObject(fill);
    DeleteObject(frame);
}

struct RoundRectCase {
    RECT box;
    int cornerWidth, cornerHeight;
    std::vector<std::string> picture;  // the canvas, box.right + 1 x box.bottom + 1
};

class GdiRoundRect : public ::testing::TestWithParam<RoundRectCase> {};

TEST_P(GdiRoundRect, CoversTheBoxLessItsRightAndBottomEdgesWithEllipseCorners) {
    const RoundRectCase& c = GetParam();
    Canvas canvas(c.box.right + 1, c.box.bottom + 1);
    PenAndBrush tools(canvas.Dc(), kPen, kBrush);
    EXPECT_TRUE(RoundRect(canvas.Dc(), c.box.left, c.box.top, c.box.right, c.box.bottom,
                          c.cornerWidth, c.cornerHeight));
    EXPECT_EQ(canvas.Map({0, 0, canvas.Width(), canvas.Height()}, kLegend), Rows(c.picture));
}

INSTANTIATE_TEST_SUITE_P(
    Corners, GdiRoundRect,
    ::testing::Values(
        RoundRectCase{
            {0, 0, 16, 15},
            12,
            12,
            {"....########.....", "..##oooooooo##...", ".#oooooooooooo#..", ".#oooooooooooo#..",
             "#oooooooooooooo#.", "#oooooooooooooo#.", "#oooooooooooooo#.", "#oooooooooooooo#.",
             "#oooooooooooooo#.", "#oooooooooooooo#.", "#oooooooooooooo#.", ".#oooooooooooo#..",
             ".#oooooooooooo#..", "..##oooooooo##...", "....########.....", "................."}},
        RoundRectCase{{1, 1, 12, 10},
                      5,
                      5,
                      {".............", "..#########..", ".#ooooooooo#.", ".#ooooooooo#.",
                       ".#ooooooooo#.", ".#ooooooooo#.", ".#ooooooooo#.", ".#ooooooooo#.",
                       ".#ooooooooo#.", "..#########..", "............."}},
        RoundRectCase{{0, 0, 10, 8},
                      6,
                      4,
                      {".########..", "#oooooooo#.", "#oooooooo#.", "#oooooooo#.", "#oooooooo#.",
                       "#oooooooo#.", "#oooooooo#.", ".########..", "..........."}}));

// The progress bar: a 434 x 15 track with 12 x 12 corners and a bar 3..431 x 3..12 inside it
// with 5 x 5 corners.
TEST(GdiShapes, ProgressTrackAndBar) {
    Canvas canvas(440, 18);
    {
        PenAndBrush track(canvas.Dc(), kPen, kBrush);
        EXPECT_TRUE(RoundRect(canvas.Dc(), 0, 0, 434, 15, 12, 12));
    }
    {
        PenAndBrush bar(canvas.Dc(), kBarPen, kBarBrush);
        EXPECT_TRUE(RoundRect(canvas.Dc(), 3, 3, 431, 12, 5, 5));
    }
    canvas.SavePngIfAsked("progress");
    EXPECT_EQ(canvas.Map({0, 0, 12, 16}, kLegend),
              Rows({"....########", "..##oooooooo", ".#oooooooooo", ".#ooxxxxxxxx", "#oox++++++++",
                    "#oox++++++++", "#oox++++++++", "#oox++++++++", "#oox++++++++", "#oox++++++++",
                    "#oox++++++++", ".#ooxxxxxxxx", ".#oooooooooo", "..##oooooooo", "....########",
                    "............"}));
    EXPECT_EQ(canvas.Map({424, 0, 436, 16}, kLegend),
              Rows({"######......", "oooooo##....", "oooooooo#...", "xxxxxxoo#...", "++++++xoo#..",
                    "++++++xoo#..", "++++++xoo#..", "++++++xoo#..", "++++++xoo#..", "++++++xoo#..",
                    "++++++xoo#..", "xxxxxxoo#...", "oooooooo#...", "oooooo##....", "######......",
                    "............"}));
    // Between the corners every column is the same.
    std::string middle = canvas.Map({200, 0, 201, 16}, kLegend);
    EXPECT_EQ(middle, Rows({"#", "o", "o", "x", "+", "+", "+", "+", "+", "+", "+", "x", "o", "o",
                            "#", "."}));
    for (int x = 12; x < 422; x += 37) EXPECT_EQ(canvas.Map({x, 0, x + 1, 16}, kLegend), middle);
}

struct LineCase {
    POINT from, to;
    std::vector<std::string> picture;  // a 10 x 8 canvas
};

class GdiLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(GdiLine, SetsThePixelsUpToButNotIncludingTheEnd) {
    const LineCase& c = GetParam();
    Canvas canvas(10, 8);
    PenAndBrush tools(canvas.Dc(), kPen, kBrush);
    POINT previous = {-1, -1};
    EXPECT_TRUE(MoveToEx(canvas.Dc(), c.from.x, c.from.y, nullptr));
    EXPECT_TRUE(LineTo(canvas.Dc(), c.to.x, c.to.y));
    EXPECT_TRUE(MoveToEx(canvas.Dc(), 0, 0, &previous));
    EXPECT_EQ(previous.x, c.to.x);  // the end became the current position
    EXPECT_EQ(previous.y, c.to.y);
    EXPECT_EQ(canvas.Map({0, 0, 10, 8}, kLegend), Rows(c.picture));
}

INSTANTIATE_TEST_SUITE_P(
    Slopes, GdiLine,
    ::testing::Values(LineCase{{1, 2},
                               {8, 2},
                               {"..........", "..........", ".#######..", "..........",
                                "..........", "..........", "..........", ".........."}},
                      LineCase{{8, 5},
                               {1, 5},
                               {"..........", "..........", "..........", "..........",
                                "..........", "..#######.", "..........", ".........."}},
                      LineCase{{3, 0},
                               {3, 6},
                               {"...#......", "...#......", "...#......", "...#......",
                                "...#......", "...#......", "..........", ".........."}},
                      LineCase{{0, 0},
                               {7, 3},
                               {"##........", "..##......", "....##....", "......#...",
                                "..........", "..........", "..........", ".........."}},
                      LineCase{{7, 3},
                               {0, 0},
                               {".#........", "..##......", "....##....", "......##..",
                                "..........", "..........", "..........", ".........."}},
                      LineCase{{1, 0},
                               {4, 7},
                               {".#........", ".#........", "..#.......", "..#.......",
                                "...#......", "...#......", "....#.....", ".........."}},
                      LineCase{{1, 6},
                               {8, 2},
                               {"..........", "..........", "..........", "......##..",
                                "....##....", "..##......", ".#........", ".........."}},
                      LineCase{{8, 7},
                               {2, 4},
                               {"..........", "..........", "..........", "..........",
                                "...#......", "....##....", "......##..", "........#."}},
                      LineCase{{2, 4},
                               {8, 7},
                               {"..........", "..........", "..........", "..........",
                                "..##......", "....##....", "......##..", ".........."}},
                      LineCase{{8, 4},
                               {2, 7},
                               {"..........", "..........", "..........", "..........",
                                ".......##.", ".....##...", "...##.....", ".........."}},
                      LineCase{{2, 7},
                               {8, 4},
                               {"..........", "..........", "..........", "..........",
                                ".......#..", ".....##...", "...##.....", "..#......."}},
                      LineCase{{4, 1},
                               {7, 7},
                               {"..........", "....#.....", "....#.....", ".....#....",
                                ".....#....", "......#...", "......#...", ".........."}},
                      LineCase{{7, 1},
                               {4, 7},
                               {"..........", ".......#..", "......#...", "......#...",
                                ".....#....", ".....#....", "....#.....", ".........."}}));

// The close box: two diagonals from the corners of (484,8)-(492,16), each one pixel longer so
// that the end corner is drawn.
TEST(GdiShapes, CloseBoxDiagonals) {
    Canvas canvas(500, 24);
    PenAndBrush tools(canvas.Dc(), kPen, kBrush);
    MoveToEx(canvas.Dc(), 484, 8, nullptr);
    LineTo(canvas.Dc(), 493, 17);
    MoveToEx(canvas.Dc(), 484, 16, nullptr);
    LineTo(canvas.Dc(), 493, 7);
    canvas.SavePngIfAsked("closebox");
    EXPECT_EQ(canvas.Map({482, 6, 495, 19}, kLegend), Rows({
                                                          ".............",
                                                          ".............",
                                                          "..#.......#..",
                                                          "...#.....#...",
                                                          "....#...#....",
                                                          ".....#.#.....",
                                                          "......#......",
                                                          ".....#.#.....",
                                                          "....#...#....",
                                                          "...#.....#...",
                                                          "..#.......#..",
                                                          ".............",
                                                          ".............",
                                                      }));
    EXPECT_EQ(canvas.InkCount(kWhite), 17);
}

}  // namespace
