// A picture compressed to a baseline JFIF file with libjpeg.
#pragma once
#include <cstdint>
#include <string>

namespace tk {

class Bitmap;

class JpegImage {
public:
    // Takes a copy of the bitmap's pixels as 24-bit RGB.
    explicit JpegImage(const Bitmap& bitmap);

    // libjpeg's quality scale: 0 counts as 1, values over 100 as 100.
    void SetQuality(std::uint8_t quality) { quality_ = quality; }
    std::uint8_t Quality() const { return quality_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Writes the file, replacing one of that name. Any failure raises
    // EFileError naming the file and leaves no partial file behind.
    void SaveToFile(const std::string& path) const;

private:
    std::string rgb_;
    int width_ = 0;
    int height_ = 0;
    std::uint8_t quality_ = 75;
};

} // namespace tk
