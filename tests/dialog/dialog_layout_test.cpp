// The dialog's rectangles, hit tests and placement as plain values.
#include <gtest/gtest.h>

#include <string>

#include "ui/dialog_layout.h"
#include "ui/dialog_placement.h"

namespace {

std::string Text(const RECT& r) {
    return std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) +
           ", " + std::to_string(r.bottom);
}

struct RectCase {
    const char* name;
    RECT ui::DialogLayout::*member;
    RECT expected;
};

TEST(DialogLayout, RectanglesOfTheWindowSize) {
    const RectCase cases[] = {
        {"caption", &ui::DialogLayout::caption, {0, 0, 500, 30}},
        {"button", &ui::DialogLayout::button, {200, 202, 300, 238}},
        {"title", &ui::DialogLayout::title, {200, 142, 300, 178}},
        {"status", &ui::DialogLayout::status, {32, 234, 466, 254}},
        {"waiting", &ui::DialogLayout::waiting, {181, 96, 466, 123}},
        {"link", &ui::DialogLayout::link, {400, 290, 495, 310}},
        {"browse", &ui::DialogLayout::browse, {420, 155, 460, 180}},
        {"heading", &ui::DialogLayout::heading, {40, 90, 160, 115}},
        {"folderLabel", &ui::DialogLayout::folderLabel, {40, 155, 160, 180}},
        {"folderBox", &ui::DialogLayout::folderBox, {110, 155, 420, 180}},
        {"folderText", &ui::DialogLayout::folderText, {112, 155, 418, 180}},
        {"closeCross", &ui::DialogLayout::closeCross, {484, 8, 492, 16}},
        {"closeHit", &ui::DialogLayout::closeHit, {483, 7, 493, 17}},
        {"progress", &ui::DialogLayout::progress, {34, 260, 468, 275}},
    };
    ui::DialogLayout layout = ui::DialogLayoutFor(500, 310);
    for (const RectCase& c : cases) EXPECT_EQ(Text(layout.*c.member), Text(c.expected)) << c.name;
}

// The rules follow the size: the right and bottom anchored elements move, the fixed ones stay.
TEST(DialogLayout, AnchoredElementsFollowALargerClient) {
    ui::DialogLayout layout = ui::DialogLayoutFor(600, 400, 30);
    EXPECT_EQ(Text(layout.button), "200, 292, 300, 328");
    EXPECT_EQ(Text(layout.title), "200, 232, 300, 268");
    EXPECT_EQ(Text(layout.status), "132, 324, 566, 344");
    EXPECT_EQ(Text(layout.link), "500, 380, 595, 400");
    EXPECT_EQ(Text(layout.browse), "420, 155, 460, 180");
    EXPECT_EQ(Text(layout.closeCross), "580, 10, 590, 20");
}

struct HitCase {
    POINT point;
    ui::DialogElement expected;
};

TEST(DialogLayout, ElementUnderAPoint) {
    using E = ui::DialogElement;
    const HitCase cases[] = {
        {{483, 7}, E::CloseBox}, {{492, 16}, E::CloseBox}, {{493, 16}, E::None},
        {{482, 10}, E::None},    {{200, 202}, E::Button},  {{299, 237}, E::Button},
        {{300, 220}, E::None},   {{250, 238}, E::None},    {{420, 155}, E::Browse},
        {{459, 179}, E::Browse}, {{460, 170}, E::None},    {{400, 290}, E::Link},
        {{494, 309}, E::Link},   {{399, 300}, E::None},    {{250, 15}, E::None},
        {{150, 170}, E::None},
    };
    ui::DialogLayout layout = ui::DialogLayoutFor(500, 310);
    for (const HitCase& c : cases) {
        EXPECT_EQ(int(ui::ElementAt(layout, c.point)), int(c.expected))
            << "at (" << c.point.x << ", " << c.point.y << ")";
    }
}

struct PlaceCase {
    const char* name;
    POINT cursor;
    std::vector<ui::DisplayArea> devices;
    int screenHeight;
    POINT expected;
};

TEST(DialogPlacement, CentredOnTheMonitorUnderTheCursor) {
    const ui::DisplayArea primary{0, 0, 1920, 1080, 96};
    const ui::DisplayArea leftOfPrimary{-1280, 0, 1280, 1024, 96};
    const ui::DisplayArea hiDpi{0, 0, 3840, 2160, 192};
    const ui::DisplayArea hiDpiRight{3840, 0, 2560, 1440, 192};
    const PlaceCase cases[] = {
        {"primary", {100, 100}, {primary}, 1080, {710, 385}},
        {"secondary left of the primary", {-600, 500}, {primary, leftOfPrimary}, 1080, {-890, 385}},
        // At 192 DPI position and size count half: the cursor at 1000 is on the 1920-wide
        // primary, one at 2000 on the right monitor (1920 .. 3200).
        {"192 dpi primary", {1000, 500}, {hiDpi, hiDpiRight}, 2160, {710, 925}},
        {"192 dpi right", {2000, 500}, {hiDpi, hiDpiRight}, 2160, {2310, 925}},
        {"off every monitor: the primary", {5000, 100}, {leftOfPrimary, primary}, 1080, {710, 385}},
        {"no monitor at 0, 0: empty span at the cursor",
         {5000, 100},
         {leftOfPrimary},
         1080,
         {4750, 385}},
        // Right and bottom edges are outside.
        {"right edge of the left monitor", {0, 10}, {leftOfPrimary, primary}, 1080, {710, 385}},
    };
    for (const PlaceCase& c : cases) {
        POINT at = ui::DialogOrigin(c.cursor, c.devices, c.screenHeight);
        EXPECT_EQ(at.x, c.expected.x) << c.name;
        EXPECT_EQ(at.y, c.expected.y) << c.name;
    }
}

}  // namespace
