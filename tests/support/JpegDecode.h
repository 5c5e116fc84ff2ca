// Reading back the JPEG files the program writes: libjpeg decodes them, and
// the marker segments are looked at as stored.
#pragma once
// jpeglib.h wants FILE and the platform's `boolean` declared first.
#include <stdio.h>
#include <windows.h>
#include <jpeglib.h>

#include <map>
#include <string>
#include <vector>

namespace k2test {

struct DecodedJpeg {
    bool ok = false; // false when libjpeg rejected the file
    int width = 0;
    int height = 0;
    int components = 0;
    J_COLOR_SPACE colourSpace = JCS_UNKNOWN; // as stored
    bool progressive = false;
    std::vector<unsigned char> rgb; // rows top down, three bytes a pixel

    // Red, green and blue of the pixel at (x, y).
    const unsigned char* Pixel(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
};

DecodedJpeg DecodeJpeg(const std::string& bytes);

// Marker segments up to the start of scan, with their bodies.
std::multimap<int, std::string> JpegSegments(const std::string& file);

// Luminance quantisation table (table 0) of a baseline file; empty when it has none.
std::vector<int> LuminanceTable(const std::string& file);

} // namespace k2test
