// Pictures and icons from the program's resources: compiled in on Windows, registered files
// natively.
#include <gtest/gtest.h>

#include "gdi_test_support.h"

#ifndef _WIN32
#include "platform/posix/image_resources.h"
#endif

namespace {

using gditest::Canvas;

// The test pictures (make_test_images.py): 500 x 310, a 10 x 10 block of its own colour in each
// corner.
const UINT kPicture = 101, kOtherPicture = 104, kIcon = 102, kTopDownPicture = 201,
           kUnsupportedPicture = 202;

class GdiImageResources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
#ifndef _WIN32
        std::string folder = GDI_TEST_IMAGES;
        RegisterBitmapResource(kPicture, folder + "/picture.bmp");
        RegisterBitmapResource(kOtherPicture, folder + "/picture.bmp");
        RegisterBitmapResource(kTopDownPicture, folder + "/picture_topdown.bmp");
        RegisterBitmapResource(kUnsupportedPicture, folder + "/picture_32bit.bmp");
        RegisterIconResource(kIcon, folder + "/icon.ico");
#endif
    }

    // Loads a picture, copies it onto a 500 x 310 canvas and checks its corners and size.
    static void ExpectPicture(UINT id) {
        HBITMAP picture = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        ASSERT_NE(picture, nullptr) << "error " << GetLastError();
        BITMAP info = {};
        ASSERT_EQ(GetObjectW(picture, sizeof(info), &info), int(sizeof(info)));
        EXPECT_EQ(info.bmWidth, 500);
        EXPECT_EQ(info.bmHeight, 310);

        Canvas canvas(500, 310);
        HDC source = CreateCompatibleDC(canvas.Dc());
        HGDIOBJ previous = SelectObject(source, picture);
        EXPECT_TRUE(BitBlt(canvas.Dc(), 0, 0, 500, 310, source, 0, 0, SRCCOPY));
        SelectObject(source, previous);
        DeleteDC(source);
        EXPECT_TRUE(DeleteObject(picture));

        HDC dc = canvas.Dc();
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(dc, 9, 9), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(dc, 499, 0), RGB(0, 255, 0));
        EXPECT_EQ(GetPixel(dc, 0, 309), RGB(0, 0, 255));
        EXPECT_EQ(GetPixel(dc, 499, 309), RGB(255, 255, 0));
        // The gradient between them: red grows to the right, green downwards.
        EXPECT_EQ(GetPixel(dc, 250, 155), RGB(250 * 255 / 500, 155 * 255 / 310, 128));
        EXPECT_EQ(GetPixel(dc, 500, 0), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc, 0, -1), CLR_INVALID);
    }
};

TEST_F(GdiImageResources, LoadBitmapGivesThePictureWithItsCorners) {
    ExpectPicture(kPicture);
    ExpectPicture(kOtherPicture);
}

TEST_F(GdiImageResources, UnknownIdsGiveNullAndResourceNameNotFound) {
    SetLastError(0);
    EXPECT_EQ(LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(999)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(GdiImageResources, LoadIconGivesTheIconGroup) {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIcon));
    EXPECT_NE(icon, nullptr) << "error " << GetLastError();
}

#ifndef _WIN32
// Natively the files are read on load: top-down rows are turned the right way up, other formats
// are refused.
TEST_F(GdiImageResources, TopDownFilesLoadAndOtherFormatsAreRefused) {
    ExpectPicture(kTopDownPicture);
    SetLastError(0);
    EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kUnsupportedPicture)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_FORMAT));
}
#endif

}  // namespace
