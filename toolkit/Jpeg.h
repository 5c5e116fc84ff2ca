// A picture compressed to a baseline JFIF file with libjpeg.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace tk {

class Bitmap;

class JpegImage {
public:
    // The pixels are read from the bitmap (any format) while encoding, a band
    // of rows at a time, so a screen-sized picture is never copied whole: the
    // bitmap must stay valid until Encode or SaveToFile has returned.
    explicit JpegImage(HBITMAP bitmap);
    explicit JpegImage(const Bitmap& bitmap);

    // libjpeg's quality scale: 0 counts as 1, values over 100 as 100.
    void SetQuality(std::uint8_t quality) { quality_ = quality; }
    std::uint8_t Quality() const { return quality_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The file's bytes. A failure raises Exception with libjpeg's message.
    std::string Encode() const;

    // Writes the file, replacing one of that name. Any failure raises
    // EFileError naming the file and leaves no partial file behind.
    void SaveToFile(const std::string& path) const;
    // The same for bytes that Encode returned earlier.
    static void SaveEncoded(const std::string& path, const std::string& jfif);

private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::uint8_t quality_ = 75;
};

} // namespace tk
