// What a clipboard capture costs beyond the compression itself: a 1920 x 1080
// screen picture in a screen-compatible bitmap (as PrintScreen leaves it on
// the clipboard) is saved the way a capture saves it, alternating with
// libjpeg compressing the same pixels into memory and into a file. Prints the
// minimum and the median of each and the ratios. Usage: capture_time [rounds]
#include "bench/Clock.h"
#include "toolkit/Handles.h"
#include "toolkit/Jpeg.h"
#include "toolkit/Text.h"

#include <stdio.h>
#include <windows.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kQuality = 100; // the settings' default

// The picture's rows as GDI hands them over: 32-bit, top-down.
BITMAPINFO TopDownBgrx() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Something like a desktop: a gradient wallpaper, flat window areas and rows
// of small dark strokes standing for text.
tk::BitmapHandle ScreenPicture() {
    std::vector<unsigned> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    unsigned seed = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            unsigned colour = (0x20u + y * 0x60u / kHeight) << 16 | (0x40u + x * 0x80u / kWidth) << 8 | 0xA0u;
            const bool inWindow = (x / 480 + y / 360) % 2 == 0 && x % 480 > 20 && y % 360 > 30;
            if (inWindow) {
                colour = y % 360 < 60 ? 0x2050A0u : 0xF0F0F0u;
                seed = seed * 1103515245u + 12345u;
                if (y % 18 < 11 && x % 480 < 440 && (seed >> 16) % 3 == 0) colour = 0x202020u;
            }
            pixels[static_cast<std::size_t>(y) * kWidth + x] = colour;
        }
    const BITMAPINFO info = TopDownBgrx();
    const HDC screen = GetDC(nullptr);
    tk::BitmapHandle bitmap(CreateCompatibleBitmap(screen, kWidth, kHeight));
    SetDIBits(screen, bitmap.Get(), 0, kHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// libjpeg alone: the same rows, the same parameters, into memory or, as its
// command-line compressor does, into a file through stdio.
unsigned long CompressOnly(const std::string& bgrx, FILE* file) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (file)
        jpeg_stdio_dest(&cinfo, file);
    else
        jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(bgrx.data())) +
                       static_cast<std::size_t>(cinfo.next_scanline) * kWidth * 4;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return size;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const tk::BitmapHandle picture = ScreenPicture();
    // The same pixels as 32-bit top-down rows, for libjpeg alone.
    std::string bgrx(static_cast<std::size_t>(kWidth) * kHeight * 4, '\0');
    {
        BITMAPINFO info = TopDownBgrx();
        tk::MemoryDc dc(CreateCompatibleDC(nullptr));
        GetDIBits(dc.Get(), picture.Get(), 0, kHeight, bgrx.data(), &info, DIB_RGB_COLORS);
    }

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "k2capture_" + std::to_string(GetCurrentProcessId());
    tk::ForceDirectories(folder);
    const std::string file = folder + "\\Image_1.jpg";

    const std::string plainFile = folder + "\\plain.jpg";
    std::vector<double> capture, compress, compressToFile;
    unsigned long compressedSize = 0;
    for (int round = 0; round <= rounds; ++round) {
        const double start = bench::Milliseconds();
        tk::JpegImage jpeg(picture.Get());
        jpeg.SetQuality(kQuality);
        tk::JpegImage::SaveEncoded(file, jpeg.Encode());
        const double saved = bench::Milliseconds();
        compressedSize = CompressOnly(bgrx, nullptr);
        const double compressed = bench::Milliseconds();
        FILE* plain = std::fopen(plainFile.c_str(), "wb");
        CompressOnly(bgrx, plain);
        std::fclose(plain);
        const double written = bench::Milliseconds();
        if (round == 0) continue; // warm-up: first touches of the buffers and the files
        capture.push_back(saved - start);
        compress.push_back(compressed - saved);
        compressToFile.push_back(written - compressed);
    }
    tk::RemoveTree(folder);

    const auto report = [](const char* what, const std::vector<double>& times) {
        std::printf("  %-28s min %6.2f ms  median %6.2f ms\n", what, *std::min_element(times.begin(), times.end()),
                    Median(times));
    };
    const auto ratio = [&](const char* what, const std::vector<double>& reference) {
        std::printf("  capture / %-17s min %6.2f     median %6.2f\n", what,
                    *std::min_element(capture.begin(), capture.end()) /
                        *std::min_element(reference.begin(), reference.end()),
                    Median(capture) / Median(reference));
    };
    std::printf("capture of %dx%d at quality %d (%lu bytes), %d rounds\n", kWidth, kHeight, kQuality,
                compressedSize, rounds);
    report("capture (bitmap to file):", capture);
    report("libjpeg to memory:", compress);
    report("libjpeg to a file (stdio):", compressToFile);
    ratio("libjpeg to memory", compress);
    ratio("libjpeg to a file", compressToFile);
    return 0;
}
