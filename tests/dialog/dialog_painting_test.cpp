// Pixels of the dialog's painting per state, on a canvas of the window's size. Text is compared by
// where its ink lies, never by glyph, since the fonts differ between the builds.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "gdi_test_support.h"
#include "system/product_settings.h"
#include "ui/dialog_painting.h"
#include "ui/drawing_resources.h"
#include "ui/frame_geometry.h"
#include "ui/frame_painting.h"
#include "ui/text_tables.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

#define EXPECT_PIXEL_AT(pixels, x, y, colour)                              \
    EXPECT_EQ(dialogtest::Describe((pixels)[size_t(y) * 500 + size_t(x)]), \
              dialogtest::Describe(colour))                                \
        << "at (" << (x) << ", " << (y) << ")"

class DialogPainting : public ::testing::Test {
  protected:
    void SetUp() override {
        dialogtest::UseBrandResources();
        ui::CreateDrawingResources();
        ProductSettings::Instance().languageId = 1033;
    }
    void TearDown() override { ui::ReleaseDrawingResources(); }

    static ui::DialogLook LookFor(DialogState state) {
        ui::DialogLook look;
        look.state = state;
        look.client = ui::MakeRect(0, 0, 500, 310);
        look.layout = ui::DialogLayoutFor(500, 310);
        look.packageCode = L"000001";
        look.installDir = "C:\\A";
        return look;
    }
    enum class Parts { Frame, Content, Both };
    // The look painted on a canvas of `fill`; with the state's picture when asked.
    static std::vector<COLORREF> Paint(ui::DialogLook look, bool picture, Parts parts = Parts::Both,
                                       COLORREF fill = kWhite, const char* png = nullptr) {
        gditest::Canvas canvas(500, 310, fill);
        HBITMAP bitmap = nullptr;
        if (picture) {
            bitmap = LoadBitmapW(GetModuleHandleW(nullptr),
                                 MAKEINTRESOURCEW(ui::PictureIdFor(look.state)));
            EXPECT_NE(bitmap, nullptr);
        }
        look.background = bitmap;
        if (parts != Parts::Content) ui::PaintDialogFrame(canvas.Dc(), look);
        if (parts != Parts::Frame) ui::PaintDialogContent(canvas.Dc(), look);
        if (bitmap) DeleteObject(bitmap);
        if (png) canvas.SavePngIfAsked(png);
        return canvas.Pixels();
    }
    static RECT Ink(const std::vector<COLORREF>& pixels, const RECT& area, COLORREF background) {
        return dialogtest::InkBoxIn(pixels, 500, area, background);
    }
};

TEST_F(DialogPainting, FillFrameAndCaptionUnderThePicture) {
    std::vector<COLORREF> pixels = Paint(LookFor(DialogState::Installing), false);
    EXPECT_PIXEL_AT(pixels, 250, 15, ui::kCaptionColour);
    EXPECT_PIXEL_AT(pixels, 0, 100, ui::kFrameColour);
    EXPECT_PIXEL_AT(pixels, 499, 100, ui::kFrameColour);
    EXPECT_PIXEL_AT(pixels, 250, 309, ui::kFrameColour);
    EXPECT_PIXEL_AT(pixels, 250, 60, ui::kClientFill);
}

// The picture of each state covers the client: its own pixels show, not the fills.
TEST_F(DialogPainting, PictureOfEachState) {
    for (DialogState state :
         {DialogState::Idle, DialogState::Installing, DialogState::Failed, DialogState::Done}) {
        const int id = ui::PictureIdFor(state);
        EXPECT_EQ(id, state == DialogState::Idle || state == DialogState::Done ? 101 : 104);
        gditest::Canvas source(500, 310);
        HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        ASSERT_NE(bitmap, nullptr);
        ui::PaintBitmap(source.Dc(), bitmap, 500, 310);
        DeleteObject(bitmap);
        std::vector<COLORREF> expected = source.Pixels();
        std::vector<COLORREF> pixels = Paint(LookFor(state), true, DialogPainting::Parts::Frame);
        for (POINT p : {POINT{0, 0}, POINT{250, 15}, POINT{10, 100}, POINT{499, 309}})
            EXPECT_PIXEL_AT(pixels, p.x, p.y, expected[size_t(p.y) * 500 + size_t(p.x)]);
    }
}

struct CrossCase {
    DialogState state;
    bool hover;
};

TEST_F(DialogPainting, CloseCrossPerStateAndHover) {
    const CrossCase cases[] = {{DialogState::Idle, false},      {DialogState::Idle, true},
                               {DialogState::Failed, false},    {DialogState::Failed, true},
                               {DialogState::Done, false},      {DialogState::Done, true},
                               {DialogState::Installing, false}};
    for (const CrossCase& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.state)) + (c.hover ? " hovered" : ""));
        ui::DialogLook look = LookFor(c.state);
        look.closeHover = c.hover;
        std::vector<COLORREF> pixels = Paint(look, false);
        COLORREF cross = c.state == DialogState::Installing ? ui::kCaptionColour
                         : c.hover                          ? ui::kDialogCloseHovered
                                                            : ui::kDialogCloseNormal;
        for (int i = 0; i <= 8; ++i) {
            EXPECT_PIXEL_AT(pixels, 484 + i, 8 + i, cross);
            EXPECT_PIXEL_AT(pixels, 484 + i, 16 - i, cross);
        }
        EXPECT_PIXEL_AT(pixels, 493, 17, ui::kCaptionColour);  // end points are not drawn
        EXPECT_PIXEL_AT(pixels, 486, 8, ui::kCaptionColour);   // between the strokes
    }
}

// The button darkens under the cursor and its label sinks by one pixel.
TEST_F(DialogPainting, ButtonFillAndLabelPerHover) {
    for (DialogState state : {DialogState::Idle, DialogState::Done}) {
        RECT labels[2];
        for (bool hover : {false, true}) {
            SCOPED_TRACE(std::to_string(int(state)) + (hover ? " hovered" : ""));
            ui::DialogLook look = LookFor(state);
            look.buttonHover = hover;
            std::vector<COLORREF> pixels = Paint(look, true);
            COLORREF fill = hover ? ui::kButtonHoverFill : ui::kButtonFill;
            EXPECT_PIXEL_AT(pixels, 203, 220, fill);
            EXPECT_PIXEL_AT(pixels, 250, 235, fill);
            EXPECT_PIXEL_AT(pixels, 250, 202, ui::kButtonBorder);
            EXPECT_PIXEL_AT(pixels, 200, 220, ui::kButtonBorder);
            EXPECT_PIXEL_AT(pixels, 299, 220, ui::kButtonBorder);
            labels[hover] = Ink(pixels, ui::MakeRect(201, 203, 299, 237), fill);
            EXPECT_LT(labels[hover].left, labels[hover].right) << "the label has ink";
        }
        EXPECT_EQ(labels[1].top, labels[0].top + 1);
        EXPECT_EQ(labels[1].bottom, labels[0].bottom + 1);
        EXPECT_EQ(labels[1].left, labels[0].left);
    }
}

TEST_F(DialogPainting, FolderPanelWithBrowseHover) {
    for (bool hover : {false, true}) {
        ui::DialogLook look = LookFor(DialogState::Idle);
        look.panelShown = true;
        look.browseHover = hover;
        std::vector<COLORREF> pixels = Paint(look, true);
        EXPECT_PIXEL_AT(pixels, 421, 156, hover ? ui::kButtonHoverFill : ui::kButtonFill);
        EXPECT_PIXEL_AT(pixels, 440, 155, ui::kButtonBorder);
        EXPECT_PIXEL_AT(pixels, 300, 170, ui::kButtonFill);  // the folder box behind a short path
        EXPECT_PIXEL_AT(pixels, 300, 155, ui::kButtonBorder);
        EXPECT_PIXEL_AT(pixels, 110, 167, ui::kButtonBorder);
        // The short path's ink lies at the start of the folder text.
        RECT path = Ink(pixels, ui::MakeRect(111, 156, 419, 179), ui::kButtonFill);
        EXPECT_GE(path.left, 112);
        EXPECT_LT(path.right, 200);
    }
}

TEST_F(DialogPainting, LongFolderIsCutOffInsideTheBox) {
    ui::DialogLook look = LookFor(DialogState::Idle);
    look.panelShown = true;
    look.installDir =
        "C:\\Users\\a-very-long-account-name\\AppData\\Roaming\\Tallowind\\"
        "Tallowind000001v8.5\\and\\some\\more\\folders";
    std::vector<COLORREF> pixels = Paint(look, true);
    RECT path = Ink(pixels, ui::MakeRect(111, 156, 419, 179), ui::kButtonFill);
    EXPECT_GE(path.left, 112);
    EXPECT_LE(path.right, 418);
    EXPECT_GT(path.right, 380) << "the text fills the box up to its ellipsis";
    EXPECT_PIXEL_AT(pixels, 419, 170, ui::kButtonBorder);
}

struct TitleCase {
    DialogState state;
    bool panelShown;
    bool titleShown;
};

TEST_F(DialogPainting, PackageCodeTitlePerState) {
    const TitleCase cases[] = {{DialogState::Idle, false, true},
                               {DialogState::Idle, true, false},
                               {DialogState::Done, true, true},
                               {DialogState::Installing, false, false},
                               {DialogState::Failed, false, false}};
    for (const TitleCase& c : cases) {
        ui::DialogLook look = LookFor(c.state);
        look.panelShown = c.panelShown;
        std::vector<COLORREF> pixels = Paint(look, false, Parts::Frame);
        RECT ink = Ink(pixels, look.layout.title, kWhite);
        SCOPED_TRACE(std::to_string(int(c.state)) + (c.panelShown ? " panel" : ""));
        if (!c.titleShown) {
            EXPECT_EQ(ink.right, 0);
            continue;
        }
        EXPECT_PIXEL_AT(pixels, ink.left, ink.top, kWhite);  // corner of the box, not a glyph
        EXPECT_GT(ink.bottom, 170) << "bottom-aligned";
        EXPECT_NEAR((ink.left + ink.right) / 2, 250, 4) << "centred";
    }
}

struct StatusCase {
    DialogState state;
    const wchar_t* text;
    int progress;
    bool inkAtLeft;  // the status text shows at the line's left end
};

// The percentage sits at the right end of the status line, the step caption at its left; a failure
// text sits right-aligned at the top of the line.
TEST_F(DialogPainting, StatusLine) {
    const StatusCase cases[] = {
        {DialogState::Installing, L"", 7, false},
        {DialogState::Installing, L"Delete install files", 7, true},
        {DialogState::Installing, L"", 100, false},
        {DialogState::Failed, L"Download configuration file Fail", 7, false}};
    for (const StatusCase& c : cases) {
        ui::DialogLook look = LookFor(c.state);
        look.statusText = c.text;
        look.progress = c.progress;
        std::vector<COLORREF> pixels = Paint(look, false);
        RECT ink = Ink(pixels, ui::MakeRect(1, 200, 499, 290), kWhite);
        SCOPED_TRACE(std::to_string(int(c.state)) + " " + std::to_string(c.progress));
        ASSERT_LT(ink.left, ink.right);
        EXPECT_GE(ink.top, 234);
        EXPECT_LE(ink.bottom, 254);
        EXPECT_LE(ink.right, 466);
        EXPECT_GE(ink.right, 458);
        if (c.inkAtLeft) {
            EXPECT_LE(ink.left, 36);
        }
        if (c.state == DialogState::Installing && !c.inkAtLeft) {
            // A percentage alone: a few characters wide, wider for 100%.
            EXPECT_GT(ink.left, c.progress == 100 ? 410 : 425);
        }
        if (c.state == DialogState::Failed) {
            EXPECT_LT(ink.left, 360);
            EXPECT_LE(ink.top, 238) << "at the top of the line";
        }
        EXPECT_PIXEL_AT(pixels, 250, 260, kWhite);  // nothing where the progress control goes
    }
}

// The waiting line is white: seen on a black canvas, with the status texts black on black. Its
// text fits the line whole in each language.
TEST_F(DialogPainting, WaitingLineWhileInstallingOnly) {
    for (int32_t language : {1033, 1028, 2052}) {
        ProductSettings::Instance().languageId = language;
        SCOPED_TRACE(language);
        for (DialogState state : {DialogState::Installing, DialogState::Failed}) {
            std::vector<COLORREF> pixels = Paint(LookFor(state), false, Parts::Content, kBlack);
            RECT ink = Ink(pixels, ui::MakeRect(0, 31, 500, 200), kBlack);
            if (state == DialogState::Failed) {
                EXPECT_EQ(ink.right, 0);
                continue;
            }
            EXPECT_GE(ink.left, 181);
            EXPECT_LE(ink.left, 186) << "left-aligned";
            EXPECT_GE(ink.top, 96);
            EXPECT_LE(ink.bottom, 123);
        }
        gditest::Canvas canvas(500, 310, kBlack);
        HGDIOBJ old = SelectObject(canvas.Dc(), ui::Drawing().font27);
        const std::wstring text = ui::UiTextFor(language, 10);
        const RECT line = ui::DialogLayoutFor(500, 310).waiting;
        RECT needed = line;
        DrawTextW(canvas.Dc(), text.c_str(), int(text.size()), &needed,
                  DT_SINGLELINE | DT_CALCRECT);
        SelectObject(canvas.Dc(), old);
        EXPECT_GT(needed.right, line.left);
        EXPECT_LE(needed.right, line.right) << "not cut off";
    }
}

// One picture per state, for a look at them ($OBJSTORE_GDI_PNG_DIR).
TEST_F(DialogPainting, PicturesPerState) {
    struct Shot {
        DialogState state;
        bool panel;
        const char* name;
    };
    for (const Shot& shot : {Shot{DialogState::Idle, false, "dialog-idle"},
                             Shot{DialogState::Idle, true, "dialog-idle-panel"},
                             Shot{DialogState::Installing, false, "dialog-installing"},
                             Shot{DialogState::Failed, false, "dialog-failed"},
                             Shot{DialogState::Done, false, "dialog-done"}}) {
        ui::DialogLook look = LookFor(shot.state);
        look.panelShown = shot.panel;
        look.progress = 42;
        look.statusText = shot.state == DialogState::Failed ? L"Download configuration file Fail"
                                                            : L"Delete install files";
        std::vector<COLORREF> pixels = Paint(look, true, Parts::Both, kWhite, shot.name);
        if (shot.state != DialogState::Installing) {
            EXPECT_PIXEL_AT(pixels, 488, 12, ui::kDialogCloseNormal);
        }
    }
}

}  // namespace
