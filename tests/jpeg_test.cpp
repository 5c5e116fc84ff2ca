// JPEG files: what is written decodes back, is baseline JFIF and follows the quality.
#include <gtest/gtest.h>

#include "toolkit/Text.h"
#include "support/JpegDecode.h"
#include "support/Scratch.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Exception.h"
#include "toolkit/Jpeg.h"

#include <cstdlib>
#include <vector>

using k2test::JpegSegments;
using k2test::LuminanceTable;
using k2test::ReadFileBytes;
using k2test::ScratchDir;

namespace {

std::string SaveWithQuality(const tk::Bitmap& bitmap, std::uint8_t quality, const std::string& path) {
    tk::JpegImage jpeg(bitmap);
    jpeg.SetQuality(quality);
    jpeg.SaveToFile(path);
    return ReadFileBytes(path);
}

int FilesIn(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return count;
}

} // namespace

TEST(Jpeg, DecodesBackAsBaselineJfifInColour) {
    ScratchDir dir;
    // Colour blocks aligned to the 16-pixel chroma blocks: red | blue over green | white.
    tk::Bitmap bitmap(48, 32, RGB(0, 0, 0));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            bitmap.SetPixel(x, y, y < 16 ? (x < 32 ? RGB(220, 20, 30) : RGB(10, 40, 230))
                                         : (x < 32 ? RGB(30, 200, 40) : RGB(250, 250, 250)));
    const std::string file = SaveWithQuality(bitmap, 100, dir.Path() + "Image_1.jpg");

    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(file.substr(0, 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(file.substr(6, 5), std::string("JFIF\0", 5));
    const auto segments = JpegSegments(file);
    EXPECT_EQ(segments.count(0xC0), 1u) << "baseline frame";
    EXPECT_EQ(segments.count(0xC1) + segments.count(0xC2), 0u) << "no extended or progressive frame";

    const k2test::DecodedJpeg decoded = k2test::DecodeJpeg(file);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 48);
    EXPECT_EQ(decoded.height, 32);
    EXPECT_EQ(decoded.components, 3);
    EXPECT_EQ(decoded.colourSpace, JCS_YCbCr);
    EXPECT_FALSE(decoded.progressive);
    const std::string original = bitmap.Rgb24();
    for (std::size_t i = 0; i < original.size(); ++i) {
        const int expected = static_cast<unsigned char>(original[i]);
        ASSERT_NEAR(decoded.rgb[i], expected, 12) << "pixel " << i / 3 % 48 << "," << i / 3 / 48 << " channel " << i % 3;
    }
}

TEST(Jpeg, QualityScalesTheQuantisationTables) {
    ScratchDir dir;
    const tk::Bitmap bitmap(16, 16, RGB(100, 150, 200));
    const auto table = [&](std::uint8_t quality) {
        return LuminanceTable(SaveWithQuality(bitmap, quality, dir.Path() + "q" + std::to_string(quality) + ".jpg"));
    };
    const std::vector<int> q100 = table(100);
    ASSERT_EQ(q100.size(), 64u);
    EXPECT_EQ(q100, std::vector<int>(64, 1));
    EXPECT_NE(table(50), q100);
    EXPECT_EQ(table(0), table(1)) << "quality 0 counts as the lowest";
    EXPECT_EQ(table(static_cast<std::uint8_t>(300)), table(44));
    EXPECT_EQ(table(255), q100);
    // Even the coarsest tables stay 8-bit, so the file remains baseline.
    EXPECT_EQ(JpegSegments(SaveWithQuality(bitmap, 1, dir.Path() + "coarse.jpg")).count(0xC0), 1u);
}

TEST(Jpeg, FailuresRaiseFileErrorAndLeaveNoFile) {
    ScratchDir dir;
    const tk::Bitmap bitmap(8, 8, RGB(1, 2, 3));

    const std::string missing = dir.Path() + "no such folder\\Image_1.jpg";
    try {
        tk::JpegImage(bitmap).SaveToFile(missing);
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const tk::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_EQ(GetFileAttributesW(tk::Wide(missing).c_str()), INVALID_FILE_ATTRIBUTES);

    // A libjpeg error (an empty picture) comes back as an exception, not an exit.
    const std::string empty = dir.Path() + "empty.jpg";
    try {
        tk::JpegImage(tk::Bitmap()).SaveToFile(empty);
        ADD_FAILURE() << "no error for an empty picture";
    } catch (const tk::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(empty), std::string::npos) << e.what();
    }

    // The name is taken by a folder: the write fails and no temporary file remains.
    CreateDirectoryW(tk::Wide((dir.Path() + "taken.jpg")).c_str(), nullptr);
    EXPECT_THROW(tk::JpegImage(bitmap).SaveToFile(dir.Path() + "taken.jpg"), tk::EFileError);
    EXPECT_EQ(FilesIn(dir.Path()), 0);

    // An existing file of that name is replaced.
    k2test::WriteFileBytes(dir.Path() + "Image_2.jpg", "old");
    tk::JpegImage(bitmap).SaveToFile(dir.Path() + "Image_2.jpg");
    EXPECT_TRUE(k2test::DecodeJpeg(ReadFileBytes(dir.Path() + "Image_2.jpg")).ok);
    EXPECT_EQ(FilesIn(dir.Path()), 1);
}

namespace {

// The encoding captures had before they were read as 32-bit rows: the bitmap
// copied into a picture, turned into 24-bit RGB rows, compressed as JCS_RGB.
std::string TwentyFourBitEncoding(HBITMAP source, int quality) {
    const tk::Bitmap picture = tk::Bitmap::CopyOf(source);
    const std::string rgb = picture.Rgb24();
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(rgb.data())) +
                       static_cast<std::size_t>(cinfo.next_scanline) * picture.Width() * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string file(reinterpret_cast<char*>(out), size);
    std::free(out);
    return file;
}

// Deterministic busy content: gradients in all three channels plus a speckle
// that changes with every pixel, so no row or block repeats.
void Paint(HDC dc, int width, int height) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned speckle = (static_cast<unsigned>(x) * 2654435761u) ^ (static_cast<unsigned>(y) * 40503u);
            SetPixelV(dc, x, y,
                      RGB((x * 255) / (width > 1 ? width - 1 : 1), (y * 255) / (height > 1 ? height - 1 : 1),
                          (speckle >> 7) & 0xFF));
        }
}

struct SourceBitmap {
    std::string name;
    tk::BitmapHandle handle;
};

SourceBitmap Painted(const std::string& name, HBITMAP handle, int width, int height) {
    tk::MemoryDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.Get(), handle);
    Paint(dc.Get(), width, height);
    SelectObject(dc.Get(), old);
    return {name, tk::BitmapHandle(handle)};
}

SourceBitmap Dib(const std::string& name, int width, int height, int bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    return Painted(name, CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0), width, height);
}

} // namespace

// Captures are read as 32-bit rows and handed to libjpeg as BGRX; the files
// must stay byte for byte what the 24-bit RGB path wrote.
TEST(Jpeg, FilesAreThoseOfTheTwentyFourBitPath) {
    ScratchDir dir;
    const HDC screen = GetDC(nullptr);
    std::vector<SourceBitmap> sources;
    // Screen-compatible bitmaps, as PrintScreen puts them on the clipboard.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1, 1}, {17, 9}, {333, 7}, {640, 480}})
        sources.push_back(Painted("screen " + std::to_string(w) + "x" + std::to_string(h),
                                  CreateCompatibleBitmap(screen, w, h), w, h));
    ReleaseDC(nullptr, screen);
    // Rows padded to 32 bits, a 16-bit and a monochrome bitmap: GDI converts them.
    sources.push_back(Dib("24-bit 31x5", 31, 5, 24));
    sources.push_back(Dib("16-bit 45x13", 45, 13, 16));
    sources.push_back(Painted("monochrome 13x11", CreateBitmap(13, 11, 1, 1, nullptr), 13, 11));

    for (const SourceBitmap& source : sources) {
        ASSERT_TRUE(source.handle) << source.name;
        for (const int quality : {100, 75, 1}) {
            tk::JpegImage jpeg(source.handle.Get());
            jpeg.SetQuality(static_cast<std::uint8_t>(quality));
            const std::string path = dir.Path() + "capture.jpg";
            jpeg.SaveToFile(path);
            const std::string written = ReadFileBytes(path);
            EXPECT_TRUE(written == TwentyFourBitEncoding(source.handle.Get(), quality))
                << source.name << " at quality " << quality << ": " << written.size() << " bytes";
        }
    }
}
