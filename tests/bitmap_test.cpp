// Bitmaps: exact pixels, BMP files that load back identical, icons drawn with their mask.
#include <gtest/gtest.h>

#include "support/Scratch.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Exception.h"

#include <windows.h>
#include <cstdint>

using k2test::Bytes;
using k2test::ReadFileBytes;
using k2test::ScratchDir;
using k2test::WriteFileBytes;

namespace {

std::uint32_t Le(const std::string& bytes, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return v;
}

void PutLe(std::string& out, std::size_t at, std::uint32_t value, int n) {
    for (int i = 0; i < n; ++i) out[at + i] = static_cast<char>(value >> (8 * i));
}

// A BMP file: `headerExtra` completes an info header longer than 40 bytes,
// `table` holds masks or colours, `pixels` the rows as stored.
std::string Bmp(std::uint32_t headerSize, int width, int height, int bitCount, std::uint32_t compression,
                const std::string& tableOrExtra, const std::string& pixels, std::uint32_t colours = 0) {
    std::string file(54, '\0');
    file[0] = 'B';
    file[1] = 'M';
    PutLe(file, 14, headerSize, 4);
    PutLe(file, 18, static_cast<std::uint32_t>(width), 4);
    PutLe(file, 22, static_cast<std::uint32_t>(height), 4);
    PutLe(file, 26, 1, 2);
    PutLe(file, 28, static_cast<std::uint32_t>(bitCount), 2);
    PutLe(file, 30, compression, 4);
    PutLe(file, 46, colours, 4);
    file += tableOrExtra;
    PutLe(file, 10, static_cast<std::uint32_t>(file.size()), 4);
    file += pixels;
    PutLe(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    return file;
}

// A small picture whose every pixel differs, so a swapped row or channel shows.
tk::Bitmap Gradient(int width, int height) {
    tk::Bitmap bitmap(width, height, RGB(0, 0, 0));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.SetPixel(x, y, RGB(10 + x * 20, 200 - y * 30, (x * 7 + y * 13) & 0xFF));
    return bitmap;
}

void ExpectSamePixels(const tk::Bitmap& expected, const tk::Bitmap& actual) {
    ASSERT_EQ(expected.Width(), actual.Width());
    ASSERT_EQ(expected.Height(), actual.Height());
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            ASSERT_EQ(expected.Pixel(x, y), actual.Pixel(x, y)) << "at (" << x << ", " << y << ")";
}

void ExpectFileError(const std::string& path, tk::Bitmap& bitmap) {
    try {
        bitmap.LoadFromFile(path);
        ADD_FAILURE() << "no error for " << path;
    } catch (const tk::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

} // namespace

TEST(Bitmap, PixelsAndSizeChanges) {
    tk::Bitmap bitmap(5, 3, RGB(1, 2, 3));
    EXPECT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.Pixel(4, 2), RGB(1, 2, 3));
    bitmap.SetPixel(0, 2, RGB(255, 0, 128));
    bitmap.SetPixel(4, 0, RGB(0, 255, 1));
    EXPECT_EQ(bitmap.Pixel(0, 2), RGB(255, 0, 128));
    EXPECT_EQ(bitmap.TransparentColor(), RGB(255, 0, 128));
    EXPECT_EQ(bitmap.Pixel(4, 0), RGB(0, 255, 1));
    EXPECT_EQ(bitmap.Pixel(5, 0), CLR_INVALID);
    EXPECT_EQ(bitmap.Pixel(0, -1), CLR_INVALID);

    // Growing keeps the top-left content and fills the new area.
    bitmap.SetSize(7, 4, RGB(9, 9, 9));
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 4);
    EXPECT_EQ(bitmap.Pixel(0, 2), RGB(255, 0, 128));
    EXPECT_EQ(bitmap.Pixel(4, 0), RGB(0, 255, 1));
    EXPECT_EQ(bitmap.Pixel(6, 3), RGB(9, 9, 9));
    EXPECT_EQ(bitmap.Pixel(1, 1), RGB(1, 2, 3));
    bitmap.SetSize(2, 3, RGB(0, 0, 0));
    EXPECT_EQ(bitmap.Pixel(0, 2), RGB(255, 0, 128));
    bitmap.Fill(RGB(7, 8, 9));
    EXPECT_EQ(bitmap.Pixel(1, 2), RGB(7, 8, 9));

    bitmap.SetSize(0, 5, RGB(0, 0, 0));
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.TransparentColor(), CLR_INVALID);
}

TEST(Bitmap, CopiesAreDeep) {
    tk::Bitmap original = Gradient(4, 4);
    tk::Bitmap copy(original);
    copy.SetPixel(1, 1, RGB(1, 1, 1));
    EXPECT_NE(original.Pixel(1, 1), RGB(1, 1, 1));
    EXPECT_NE(copy.Handle(), original.Handle());
    tk::Bitmap assigned;
    assigned = original;
    ExpectSamePixels(original, assigned);
    tk::Bitmap moved(std::move(assigned));
    ExpectSamePixels(original, moved);
    EXPECT_TRUE(assigned.Empty());
    EXPECT_EQ(assigned.Width(), 0) << "a moved-from bitmap has no size left";

    // A screen-compatible bitmap owned by someone else (as the clipboard hands out).
    HDC screen = GetDC(nullptr);
    HBITMAP foreign = CreateCompatibleBitmap(screen, 3, 2);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, foreign);
    PatBlt(dc, 0, 0, 3, 2, WHITENESS);
    SetPixel(dc, 2, 1, RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    tk::Bitmap copied = tk::Bitmap::CopyOf(foreign);
    EXPECT_EQ(copied.Width(), 3);
    EXPECT_EQ(copied.Height(), 2);
    EXPECT_EQ(copied.Pixel(2, 1), RGB(255, 0, 0));
    EXPECT_EQ(copied.Pixel(0, 0), RGB(255, 255, 255));
    tk::Bitmap adopted = tk::Bitmap::Adopt(foreign);
    EXPECT_EQ(adopted.Handle(), foreign);
    EXPECT_EQ(adopted.Rgb24(), copied.Rgb24());
}

TEST(Bitmap, BmpFileRoundTrip) {
    ScratchDir dir;
    const std::string path = dir.Path() + "17";
    const tk::Bitmap original = Gradient(3, 5); // 9-byte rows padded to 12
    original.SaveToFile(path);

    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 54u + 12 * 5);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(Le(bytes, 2, 4), bytes.size());
    EXPECT_EQ(Le(bytes, 10, 4), 54u);
    EXPECT_EQ(Le(bytes, 18, 4), 3u);
    EXPECT_EQ(Le(bytes, 22, 4), 5u) << "rows are stored bottom-up";
    EXPECT_EQ(Le(bytes, 28, 2), 24u);
    // First stored row is the bottom one: pixel (0, 4) as B, G, R.
    const COLORREF bottomLeft = original.Pixel(0, 4);
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), GetBValue(bottomLeft));
    EXPECT_EQ(static_cast<unsigned char>(bytes[56]), GetRValue(bottomLeft));

    tk::Bitmap loaded(1, 1, RGB(0, 0, 0));
    loaded.LoadFromFile(path);
    ExpectSamePixels(original, loaded);
    loaded.SaveToFile(path + "b");
    EXPECT_EQ(ReadFileBytes(path + "b"), bytes);

    // Saving over an existing file replaces it.
    tk::Bitmap(2, 2, RGB(5, 5, 5)).SaveToFile(path);
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.Width(), 2);
    EXPECT_EQ(loaded.Pixel(1, 1), RGB(5, 5, 5));
}

TEST(Bitmap, LoadsOtherCommonLayouts) {
    ScratchDir dir;
    tk::Bitmap bitmap;
    const auto load = [&](const std::string& file) {
        WriteFileBytes(dir.Path() + "other.bmp", file);
        bitmap.LoadFromFile(dir.Path() + "other.bmp");
        ASSERT_EQ(bitmap.Width(), 2);
        ASSERT_EQ(bitmap.Height(), 2);
    };

    // 32 bits, rows top-down (negative height); pixels B, G, R, unused.
    load(Bmp(40, 2, -2, 32, BI_RGB, "", Bytes("\3\2\1\0\0\0\0\0" "\0\0\0\0\x1E\x14\x0A\0")));
    EXPECT_EQ(bitmap.Pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(bitmap.Pixel(1, 1), RGB(10, 20, 30));

    // 32 bits with colour masks inside a version 5 header (X, B, G, R in memory order).
    std::string v5(84, '\0');
    v5.replace(0, 12, Bytes("\0\0\0\xFF" "\0\0\xFF\0" "\0\xFF\0\0"));
    load(Bmp(124, 2, 2, 32, BI_BITFIELDS, v5, Bytes("\0\x07\x08\x09\0\0\0\0" "\0\0\0\0\0\0\0\0")));
    EXPECT_EQ(bitmap.Pixel(0, 1), RGB(9, 8, 7)) << "bottom-up: first row is the bottom one";

    // 8 bits with a two-colour table; rows padded to 4 bytes.
    load(Bmp(40, 2, 2, 8, BI_RGB, Bytes("\xFF\0\0\0" "\0\x80\0\0"), Bytes("\1\0\0\0" "\0\1\0\0"), 2));
    EXPECT_EQ(bitmap.Pixel(0, 1), RGB(0, 128, 0));
    EXPECT_EQ(bitmap.Pixel(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(bitmap.Pixel(1, 0), RGB(0, 128, 0));
}

TEST(Bitmap, UnreadableFilesRaiseFileErrorAndKeepTheBitmap) {
    ScratchDir dir;
    const std::string good = dir.Path() + "good";
    Gradient(4, 4).SaveToFile(good);
    const std::string bytes = ReadFileBytes(good);

    tk::Bitmap bitmap = Gradient(2, 2);
    const std::string before = bitmap.Rgb24();

    ExpectFileError(dir.Path() + "missing", bitmap);

    WriteFileBytes(dir.Path() + "truncated", bytes.substr(0, bytes.size() - 1));
    ExpectFileError(dir.Path() + "truncated", bitmap);

    WriteFileBytes(dir.Path() + "header-only", bytes.substr(0, 20));
    ExpectFileError(dir.Path() + "header-only", bitmap);

    WriteFileBytes(dir.Path() + "text.bmp", "this is not a bitmap at all, just some text to fill a header");
    ExpectFileError(dir.Path() + "text.bmp", bitmap);

    WriteFileBytes(dir.Path() + "empty", "");
    ExpectFileError(dir.Path() + "empty", bitmap);

    // Dimensions far beyond the pixels present in the file.
    std::string huge = bytes;
    huge[19] = 0x40;
    WriteFileBytes(dir.Path() + "huge", huge);
    ExpectFileError(dir.Path() + "huge", bitmap);

    // A colour table claimed past the end of the file.
    std::string paletted = bytes;
    paletted[28] = 8;
    paletted[46] = static_cast<char>(0xFF);
    WriteFileBytes(dir.Path() + "palette", paletted.substr(0, 70));
    ExpectFileError(dir.Path() + "palette", bitmap);

    // Run-length compressed data is refused rather than handed on unchecked.
    std::string compressed = bytes;
    compressed[30] = BI_RLE8;
    WriteFileBytes(dir.Path() + "rle", compressed);
    ExpectFileError(dir.Path() + "rle", bitmap);

    EXPECT_EQ(bitmap.Rgb24(), before);

    EXPECT_THROW(tk::Bitmap(2, 2, 0).SaveToFile(dir.Path() + "no\\such\\folder\\x"), tk::EFileError);
}

TEST(Bitmap, IconsKeepTheBackgroundWhereTheyAreTransparent) {
    // 16 x 16 icon: left half opaque blue, right half transparent.
    constexpr int size = 16;
    BYTE andBits[size * 2]; // 1 = transparent, rows of 16 bits
    for (int row = 0; row < size; ++row) {
        andBits[row * 2] = 0x00;
        andBits[row * 2 + 1] = 0xFF;
    }
    HBITMAP mask = CreateBitmap(size, size, 1, 1, andBits);
    tk::Bitmap colour(size, size, RGB(0, 0, 0));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size / 2; ++x) colour.SetPixel(x, y, RGB(0, 0, 255));
    ICONINFO info{TRUE, 0, 0, mask, colour.Handle()};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    ASSERT_NE(icon, nullptr);

    tk::Bitmap bitmap(20, 20, RGB(0, 255, 0));
    bitmap.DrawIcon(icon, 2, 2);
    DestroyIcon(icon);
    EXPECT_EQ(bitmap.Pixel(3, 3), RGB(0, 0, 255));
    EXPECT_EQ(bitmap.Pixel(9, 17), RGB(0, 0, 255));
    EXPECT_EQ(bitmap.Pixel(10, 3), RGB(0, 255, 0));
    EXPECT_EQ(bitmap.Pixel(17, 17), RGB(0, 255, 0));
    EXPECT_EQ(bitmap.Pixel(1, 1), RGB(0, 255, 0));
    EXPECT_EQ(bitmap.Pixel(19, 19), RGB(0, 255, 0));
}

TEST(Bitmap, DrawTransparentLeavesOutTheGivenColour) {
    tk::Bitmap glyph(4, 4, RGB(192, 192, 192));
    glyph.SetPixel(1, 1, RGB(255, 0, 0));
    tk::Bitmap target(6, 6, RGB(0, 0, 128));
    {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, target.Handle());
        glyph.DrawTransparent(dc, 1, 1, glyph.TransparentColor());
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    EXPECT_EQ(target.Pixel(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(target.Pixel(1, 1), RGB(0, 0, 128));
    EXPECT_EQ(target.Pixel(4, 4), RGB(0, 0, 128));
}
