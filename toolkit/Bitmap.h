// A bitmap owned by one object: the glyph of bitmap buttons, the work
// surface of icon drawing, the picture read from the clipboard.
#pragma once
#include "toolkit/Handles.h"

#include <string>

namespace tk {

class Bitmap {
public:
    Bitmap() = default;
    // A 32-bit DIB section of the given size, filled with `fill`, so that
    // colours read back exactly whatever the display depth. A size of 0 gives
    // an empty bitmap.
    Bitmap(int width, int height, COLORREF fill);
    Bitmap(const Bitmap& other);             // deep copy of the pixels
    Bitmap& operator=(const Bitmap& other);  // deep copy of the pixels
    Bitmap(Bitmap&& other) noexcept;            // leaves `other` empty
    Bitmap& operator=(Bitmap&& other) noexcept; // leaves `other` empty

    // Takes ownership of a bitmap handle (e.g. a copy of the clipboard's).
    static Bitmap Adopt(HBITMAP handle);
    // Copies a bitmap that someone else owns (any format) into a DIB section.
    static Bitmap CopyOf(HBITMAP handle);

    bool Empty() const { return !handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HBITMAP Handle() const { return handle_.Get(); }

    // Resizes keeping the top-left content; new area is filled with `fill`.
    void SetSize(int width, int height, COLORREF fill);
    void Fill(COLORREF colour);
    COLORREF Pixel(int x, int y) const; // CLR_INVALID outside the bitmap
    void SetPixel(int x, int y, COLORREF colour);
    // Draws an icon at (x, y) with its mask, at the icon's own size or
    // scaled to `size` pixels square.
    void DrawIcon(HICON icon, int x, int y, int size = 0);
    // Colour of the lower-left pixel: the transparent colour of glyphs.
    COLORREF TransparentColor() const { return Pixel(0, height_ - 1); }

    // 24-bit top-down RGB rows (R, G, B per pixel), as JPEG encoding wants them.
    std::string Rgb24() const;

    // Windows BMP file (24 bits per pixel). Errors raise EFileError with
    // a message that names the file.
    void SaveToFile(const std::string& path) const;
    void LoadFromFile(const std::string& path);

    // Draws the bitmap at (x, y); pixels of `transparent` are left out.
    void DrawTransparent(HDC dc, int x, int y, COLORREF transparent) const;

private:
    BitmapHandle handle_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace tk
