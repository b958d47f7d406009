// DrawText with the product's font: placement in the rectangle, the end ellipsis, Chinese text,
// mnemonic prefixes and word wrapping. Ink positions are compared with what Wine draws with the
// same font (WenQuanYi Micro Hei standing in for Microsoft Yahei), within a few pixels.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gdi_test_support.h"
#include "win_test_support.h"

namespace {

using gditest::Canvas;

const COLORREF kWhite = RGB(255, 255, 255), kInk = RGB(0, 0, 0);

// The product's font at one of its heights, selected for as long as it lives.
class ProductFont {
  public:
    ProductFont(HDC dc, int height) : dc_(dc) {
        font_ = CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                            VARIABLE_PITCH, L"Microsoft Yahei");
        previous_ = SelectObject(dc, font_);
        SetTextColor(dc, kInk);
        SetBkMode(dc, TRANSPARENT);
    }
    ~ProductFont() {
        SelectObject(dc_, previous_);
        DeleteObject(font_);
    }

  private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_;
};

// Draws text on a fresh canvas and returns the canvas for inspection.
struct Drawn {
    Drawn(const std::wstring& text, RECT rect, UINT format, int height = 20, int width = 300,
          int canvasHeight = 60)
        : canvas(width, canvasHeight) {
        ProductFont font(canvas.Dc(), height);
        result = DrawTextW(canvas.Dc(), text.c_str(), -1, &rect, format);
    }
    Canvas canvas;
    int result = 0;
};

std::string Box(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

bool Near(const RECT& a, const RECT& b, int tolerance) {
    return std::abs(a.left - b.left) <= tolerance && std::abs(a.top - b.top) <= tolerance &&
           std::abs(a.right - b.right) <= tolerance && std::abs(a.bottom - b.bottom) <= tolerance;
}

struct AlignmentCase {
    UINT format;
    RECT inkBox;  // measured under Wine: "Install \u5B89\u88C5 Wy", height 20, in (10,5)-(290,55)
};

class GdiTextAlignment : public ::testing::TestWithParam<AlignmentCase> {};

TEST_P(GdiTextAlignment, PlacesTheInkWhereWindowsDoes) {
    const AlignmentCase& c = GetParam();
    Drawn drawn(L"Install \x5B89\x88C5 Wy", {10, 5, 290, 55}, c.format | DT_SINGLELINE);
    RECT ink = drawn.canvas.InkBox(kWhite);
    EXPECT_TRUE(Near(ink, c.inkBox, 3)) << "ink " << Box(ink) << ", expected " << Box(c.inkBox);
}

INSTANTIATE_TEST_SUITE_P(Flags, GdiTextAlignment,
                         ::testing::Values(AlignmentCase{DT_LEFT, {10, 7, 122, 25}},
                                           AlignmentCase{DT_CENTER, {94, 7, 206, 25}},
                                           AlignmentCase{DT_RIGHT, {178, 7, 290, 25}},
                                           AlignmentCase{DT_LEFT | DT_VCENTER, {10, 22, 122, 40}},
                                           AlignmentCase{DT_CENTER | DT_VCENTER, {94, 22, 206, 40}},
                                           AlignmentCase{DT_RIGHT | DT_VCENTER, {178, 22, 290, 40}},
                                           AlignmentCase{DT_LEFT | DT_BOTTOM, {10, 37, 122, 55}},
                                           AlignmentCase{DT_CENTER | DT_BOTTOM, {94, 37, 206, 55}},
                                           AlignmentCase{DT_RIGHT | DT_BOTTOM,
                                                         {178, 37, 290, 55}}));

// Positive heights are cell heights: one line of text is that high.
TEST(GdiText, OneLineIsTheCellHeightOfTheFont) {
    for (int height : {18, 20, 22, 27}) {
        Drawn drawn(L"Wy", {0, 0, 200, 50}, DT_SINGLELINE | DT_NOPREFIX, height);
        EXPECT_EQ(drawn.result, height);
    }
}

TEST(GdiText, EndEllipsisKeepsTheInkInsideAndTheCallersTextUnchanged) {
    const wchar_t path[] = L"C:\\Program Files\\Example Trading Company\\Desktop Client\\bin";
    std::wstring before = path;
    RECT rect = {10, 10, 200, 40};
    Canvas cut(300, 50), clipped(300, 50);
    {
        ProductFont font(cut.Dc(), 20);
        RECT r = rect;
        DrawTextW(cut.Dc(), path, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    {
        ProductFont font(clipped.Dc(), 20);
        RECT r = rect;
        DrawTextW(clipped.Dc(), path, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
    }
    cut.SavePngIfAsked("ellipsis");
    EXPECT_EQ(std::wstring(path), before);
    RECT ink = cut.InkBox(kWhite), plain = clipped.InkBox(kWhite);
    EXPECT_GE(ink.left, rect.left);
    EXPECT_LE(ink.right, rect.right);
    // Without the ellipsis the text runs into the clip edge; with it, it ends in three dots on
    // the baseline: the last columns of ink hold nothing in the upper half of the line.
    EXPECT_GE(plain.right, rect.right - 3);
    Canvas& c = cut;
    std::vector<COLORREF> pixels = c.Pixels();
    int middle = (ink.top + ink.bottom) / 2;
    for (int x = ink.right - 10; x < ink.right; ++x)
        for (int y = ink.top; y < middle - 2; ++y)
            EXPECT_EQ(pixels[size_t(y) * c.Width() + x], kWhite) << "at " << x << "," << y;
}

TEST(GdiText, ChineseTextDrawsWithACjkFont) {
    // U+E000 has no glyph in any font here: it shows what a missing character looks like.
    Drawn an(L"\x5B89", {0, 0, 60, 40}, DT_SINGLELINE | DT_NOPREFIX, 27, 60, 40);
    Drawn zhuang(L"\x88C5", {0, 0, 60, 40}, DT_SINGLELINE | DT_NOPREFIX, 27, 60, 40);
    Drawn missing(L"\xE000", {0, 0, 60, 40}, DT_SINGLELINE | DT_NOPREFIX, 27, 60, 40);
    an.canvas.SavePngIfAsked("an");
    missing.canvas.SavePngIfAsked("missing");
    std::vector<COLORREF> a = an.canvas.Pixels(), z = zhuang.canvas.Pixels(),
                          m = missing.canvas.Pixels();
    EXPECT_GT(an.canvas.InkCount(kWhite), 40);
    EXPECT_GT(zhuang.canvas.InkCount(kWhite), 40);
    EXPECT_NE(a, z);
    EXPECT_NE(a, m);
    EXPECT_NE(z, m);
    // A CJK glyph is about one em wide and high.
    RECT box = an.canvas.InkBox(kWhite);
    EXPECT_GE(box.right - box.left, 15);
    EXPECT_GE(box.bottom - box.top, 15);

    // Five characters side by side.
    Drawn folder(L"\x6D4F\x89C8\x6587\x4EF6\x5939", {0, 0, 300, 40}, DT_SINGLELINE | DT_NOPREFIX,
                 20);
    RECT five = folder.canvas.InkBox(kWhite);
    EXPECT_GE(five.right - five.left, 5 * 14);
}

TEST(GdiText, DrawTextATakesCodePage936) {
#ifdef _WIN32
    if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page here is " << GetACP() << ", not 936";
#endif
    Canvas wide(120, 40), narrow(120, 40);
    RECT r1 = {0, 0, 120, 40}, r2 = r1;
    {
        ProductFont font(wide.Dc(), 22);
        DrawTextW(wide.Dc(), L"\x5B89\x88C5 OK", -1, &r1, DT_SINGLELINE);
    }
    {
        ProductFont font(narrow.Dc(), 22);
        DrawTextA(narrow.Dc(), "\xB0\xB2\xD7\xB0 OK", -1, &r2, DT_SINGLELINE);
    }
    EXPECT_GT(wide.InkCount(kWhite), 40);
    EXPECT_EQ(wide.Pixels(), narrow.Pixels());
}

TEST(GdiText, AmpersandsAreMnemonicPrefixesUnlessNoPrefix) {
    struct Case {
        const wchar_t* withPrefixes;
        const wchar_t* literal;
    };
    for (const Case& c : {Case{L"A&&B", L"A&B"}, Case{L"x&&&&y", L"x&&y"}}) {
        Drawn prefixed(c.withPrefixes, {0, 0, 200, 40}, DT_SINGLELINE);
        Drawn plain(c.literal, {0, 0, 200, 40}, DT_SINGLELINE | DT_NOPREFIX);
        EXPECT_EQ(prefixed.canvas.Pixels(), plain.canvas.Pixels());
    }
    // A single "&" is not drawn (the next letter may be underlined).
    Drawn mnemonic(L"&Browse", {0, 0, 200, 40}, DT_SINGLELINE);
    Drawn literal(L"&Browse", {0, 0, 200, 40}, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_LT(mnemonic.canvas.InkBox(kWhite).right, literal.canvas.InkBox(kWhite).right);
}

TEST(GdiText, WordBreakWrapsAtSpacesIntoSeveralLines) {
    const wchar_t text[] = L"The installer downloads the application and creates its shortcuts";
    Drawn one(text, {10, 0, 130, 200}, DT_SINGLELINE | DT_NOPREFIX, 20, 200, 200);
    Drawn wrapped(text, {10, 0, 130, 200}, DT_WORDBREAK | DT_NOPREFIX, 20, 200, 200);
    wrapped.canvas.SavePngIfAsked("wrapped");
    EXPECT_EQ(one.result, 20);
    EXPECT_GE(wrapped.result, 4 * 20);
    EXPECT_EQ(wrapped.result % 20, 0);
    RECT ink = wrapped.canvas.InkBox(kWhite);
    EXPECT_LE(ink.right, 130);
    EXPECT_GE(ink.bottom, 3 * 20);
    // Chinese text wraps between its characters.
    Drawn chinese(L"\x6D4F\x89C8\x6587\x4EF6\x5939\x6D4F\x89C8\x6587\x4EF6\x5939", {0, 0, 70, 200},
                  DT_WORDBREAK | DT_NOPREFIX, 20, 200, 200);
    EXPECT_GE(chinese.result, 2 * 20);
    EXPECT_LE(chinese.canvas.InkBox(kWhite).right, 70);
}

}  // namespace
