// The icon resources the tray shows: every name loads at 16 x 16, the pictures
// differ, and the transparent corners survive the trip through the .ico files.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "components/Geticonbutton.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Handles.h"

namespace {

const char* const kIconNames[] = {"MAINICON", "ICON1", "ICON2", "ICON3", "ICON4", "ICON5",
                                  "ICON6",    "ICON7", "ICON8", "ICON9", "ICON10", "ICON12"};

tk::IconHandle LoadIconResource(const char* name) {
    return tk::IconHandle(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, 16, 16, LR_DEFAULTSIZE)));
}

// An icon's colour and mask planes as 32-bit pixels, top row first.
struct IconPixels {
    LONG width = 0, height = 0;
    std::vector<std::uint32_t> color, mask;
};

std::vector<std::uint32_t> ReadBitmap(HBITMAP bitmap, LONG width, LONG height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width * height));
    tk::WindowDc screen(nullptr);
    EXPECT_EQ(GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                        DIB_RGB_COLORS),
              height);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

IconPixels ReadIcon(HICON icon) {
    ICONINFO info{};
    IconPixels result;
    if (!GetIconInfo(icon, &info)) return result;
    const tk::BitmapHandle color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    GetObjectA(color.Get(), sizeof(bm), &bm);
    result.width = bm.bmWidth;
    result.height = bm.bmHeight;
    result.color = ReadBitmap(color.Get(), bm.bmWidth, bm.bmHeight);
    result.mask = ReadBitmap(mask.Get(), bm.bmWidth, bm.bmHeight);
    return result;
}

} // namespace

TEST(Icons, EveryNamedIconLoadsAtSixteenPixels) {
    for (const char* name : kIconNames) {
        SCOPED_TRACE(name);
        SetLastError(0xdeadbeef);
        const tk::IconHandle icon = LoadIconResource(name);
        ASSERT_TRUE(icon) << "LoadImageA failed, error " << GetLastError();
        const IconPixels pixels = ReadIcon(icon.Get());
        EXPECT_EQ(pixels.width, 16);
        EXPECT_EQ(pixels.height, 16);
    }
}

TEST(Icons, UnusedNumbersHaveNoIcon) {
    for (const char* name : {"ICON0", "ICON11", "ICON13"}) {
        EXPECT_FALSE(LoadIconResource(name)) << name << " should not exist";
    }
}

TEST(Icons, EveryPictureIsDifferent) {
    std::vector<IconPixels> pictures;
    for (const char* name : kIconNames) pictures.push_back(ReadIcon(LoadIconResource(name).Get()));
    for (size_t a = 0; a < pictures.size(); ++a) {
        ASSERT_EQ(pictures[a].color.size(), 256u) << kIconNames[a];
        for (size_t b = a + 1; b < pictures.size(); ++b) {
            EXPECT_NE(pictures[a].color, pictures[b].color)
                << kIconNames[a] << " and " << kIconNames[b] << " have the same pixels";
        }
    }
}

TEST(Icons, DigitsAreBlackOnTheFace) {
    // The page number is what the user reads in the tray: ICON1 and ICON2 must
    // differ in black pixels, not just in some shade of the frame.
    const IconPixels one = ReadIcon(LoadIconResource("ICON1").Get());
    const IconPixels two = ReadIcon(LoadIconResource("ICON2").Get());
    ASSERT_EQ(one.color.size(), 256u);
    ASSERT_EQ(two.color.size(), 256u);
    int differentBlack = 0;
    for (size_t i = 0; i < one.color.size(); ++i) {
        if ((one.color[i] == 0) != (two.color[i] == 0)) ++differentBlack;
    }
    EXPECT_GE(differentBlack, 10) << "the digits 1 and 2 differ in only " << differentBlack
                                  << " black pixels";
}

TEST(Icons, CornersAreTransparentAndTheFaceIsOpaque) {
    for (const char* name : kIconNames) {
        SCOPED_TRACE(name);
        const IconPixels pixels = ReadIcon(LoadIconResource(name).Get());
        ASSERT_EQ(pixels.mask.size(), 256u);
        const auto mask = [&](int x, int y) { return pixels.mask[static_cast<size_t>(y * 16 + x)]; };
        EXPECT_EQ(mask(0, 0), 0xFFFFFFu);
        EXPECT_EQ(mask(15, 0), 0xFFFFFFu);
        EXPECT_EQ(mask(0, 15), 0xFFFFFFu);
        EXPECT_EQ(mask(15, 15), 0xFFFFFFu);
        EXPECT_EQ(mask(8, 8), 0u);
        EXPECT_EQ(mask(1, 0), 0u);
    }
}

// The shell's 32-bit pictures become icons top row first, drawn with their
// alpha; a picture of another size than the glyph's is refused.
TEST(Icons, ShellPicturesBecomeIconsOfExactlyTheirSize) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 48, -48, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    const tk::BitmapHandle picture(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<std::uint32_t*>(bits); // opaque red above, blue at half alpha below
    for (int i = 0; i < 48 * 48; ++i) pixels[i] = i < 48 * 24 ? 0xFFFF0000 : 0x800000FF;
    EXPECT_FALSE(k2::IconFromImage(picture.Get(), 64));
    tk::Bitmap drawn(48, 48, RGB(255, 255, 255));
    drawn.DrawIcon(k2::IconFromImage(picture.Get(), 48).Get(), 0, 0);
    EXPECT_EQ(drawn.Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_NEAR(GetRValue(drawn.Pixel(47, 47)), 127, 2);
    EXPECT_EQ(GetBValue(drawn.Pixel(47, 47)), 255);
}
