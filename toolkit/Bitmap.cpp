#include "toolkit/Bitmap.h"

#include "toolkit/Exception.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tk {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

// A memory DC with the bitmap selected for the lifetime of the object.
class Canvas {
public:
    explicit Canvas(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), select_(dc_.Get(), bitmap) {}
    HDC Get() const { return dc_.Get(); }

private:
    MemoryDc dc_;
    SelectGuard select_;
};

BitmapHandle TryCreateSurface(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return BitmapHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

BitmapHandle CreateSurface(int width, int height) {
    BitmapHandle handle = TryCreateSurface(width, height);
    if (!handle)
        throw Exception("ビットマップを作成できません (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    return handle;
}

void FillRectWith(HDC dc, const RECT& rect, COLORREF colour) {
    BrushHandle brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.Get());
}

// The pixels as 32-bit top-down BGRX rows, whatever the bitmap's own format.
std::string Bgrx32(HBITMAP bitmap, int width, int height) {
    std::string pixels(static_cast<std::size_t>(width) * height * 4, '\0');
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) !=
        height)
        throw Exception("ビットマップの画素を読み取れません");
    return pixels;
}

void PutLe(std::string& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t GetLe(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

[[noreturn]] void FailOn(const std::string& path, const char* what) {
    throw EFileError("ファイル \"" + path + "\" " + what);
}

std::string ReadWholeFile(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) FailOn(path, "を開けません。");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) FailOn(path, "を読み込めません。");
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        FailOn(path, "を読み込めません。");
    return bytes;
}

} // namespace

Bitmap::Bitmap(int width, int height, COLORREF fill) { SetSize(width, height, fill); }

Bitmap::Bitmap(const Bitmap& other) {
    if (!other.Empty()) *this = CopyOf(other.Handle());
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        Bitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : handle_(std::move(other.handle_)), width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        handle_ = std::move(other.handle_);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

Bitmap Bitmap::Adopt(HBITMAP handle) {
    Bitmap bitmap;
    if (!handle) return bitmap;
    BITMAP info{};
    if (GetObjectType(handle) != OBJ_BITMAP || !GetObjectA(handle, sizeof info, &info))
        throw Exception("ビットマップではないハンドルです");
    bitmap.handle_.Reset(handle);
    bitmap.width_ = info.bmWidth;
    bitmap.height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    return bitmap;
}

Bitmap Bitmap::CopyOf(HBITMAP handle) {
    Bitmap copy;
    if (!handle) return copy;
    BITMAP info{};
    if (GetObjectType(handle) != OBJ_BITMAP || !GetObjectA(handle, sizeof info, &info))
        throw Exception("ビットマップではないハンドルです");
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    copy.SetSize(info.bmWidth, height, RGB(0, 0, 0));
    if (copy.Empty()) return copy;
    Canvas source(handle);
    Canvas target(copy.Handle());
    BitBlt(target.Get(), 0, 0, copy.width_, copy.height_, source.Get(), 0, 0, SRCCOPY);
    return copy;
}

void Bitmap::SetSize(int width, int height, COLORREF fill) {
    if (width <= 0 || height <= 0) {
        handle_.Reset();
        width_ = height_ = 0;
        return;
    }
    BitmapHandle surface = CreateSurface(width, height);
    {
        Canvas target(surface.Get());
        FillRectWith(target.Get(), RECT{0, 0, width, height}, fill);
        if (handle_) {
            Canvas source(handle_.Get());
            BitBlt(target.Get(), 0, 0, width_, height_, source.Get(), 0, 0, SRCCOPY);
        }
    }
    handle_ = std::move(surface);
    width_ = width;
    height_ = height;
}

void Bitmap::Fill(COLORREF colour) {
    if (Empty()) return;
    Canvas canvas(handle_.Get());
    FillRectWith(canvas.Get(), RECT{0, 0, width_, height_}, colour);
}

COLORREF Bitmap::Pixel(int x, int y) const {
    if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    Canvas canvas(handle_.Get());
    return GetPixel(canvas.Get(), x, y);
}

void Bitmap::SetPixel(int x, int y, COLORREF colour) {
    if (Empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Canvas canvas(handle_.Get());
    ::SetPixel(canvas.Get(), x, y, colour);
}

void Bitmap::DrawIcon(HICON icon, int x, int y, int size) {
    if (Empty() || !icon) return;
    Canvas canvas(handle_.Get());
    DrawIconEx(canvas.Get(), x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

std::string Bitmap::Rgb24() const {
    if (Empty()) return {};
    const std::string bgrx = Bgrx32(handle_.Get(), width_, height_);
    std::string rgb(static_cast<std::size_t>(width_) * height_ * 3, '\0');
    for (std::size_t i = 0, o = 0; i < bgrx.size(); i += 4, o += 3) {
        rgb[o] = bgrx[i + 2];
        rgb[o + 1] = bgrx[i + 1];
        rgb[o + 2] = bgrx[i];
    }
    return rgb;
}

void Bitmap::SaveToFile(const std::string& path) const {
    const std::size_t stride = (static_cast<std::size_t>(width_) * 3 + 3) & ~std::size_t{3};
    const std::size_t imageSize = stride * height_;
    const std::size_t offBits = kFileHeaderSize + kInfoHeaderSize;
    std::string file(offBits + imageSize, '\0');
    file[0] = 'B';
    file[1] = 'M';
    PutLe(file, 2, static_cast<std::uint32_t>(file.size()), 4);
    PutLe(file, 10, static_cast<std::uint32_t>(offBits), 4);
    PutLe(file, 14, kInfoHeaderSize, 4);
    PutLe(file, 18, static_cast<std::uint32_t>(width_), 4);
    PutLe(file, 22, static_cast<std::uint32_t>(height_), 4);
    PutLe(file, 26, 1, 2);  // planes
    PutLe(file, 28, 24, 2); // bits per pixel
    PutLe(file, 34, static_cast<std::uint32_t>(imageSize), 4);
    if (!Empty()) {
        const std::string bgrx = Bgrx32(handle_.Get(), width_, height_);
        for (int y = 0; y < height_; ++y) {
            // BMP rows run bottom-up.
            const std::size_t in = static_cast<std::size_t>(height_ - 1 - y) * width_ * 4;
            std::size_t out = offBits + y * stride;
            for (int x = 0; x < width_; ++x, out += 3) std::memcpy(&file[out], &bgrx[in + x * 4], 3);
        }
    }

    FileHandle handle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!handle) FailOn(path, "を作成できません。");
    DWORD written = 0;
    const bool ok = WriteFile(handle.Get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr) &&
                    written == file.size();
    handle.Reset();
    if (!ok) {
        // A cut-off cache file would only be rejected when read back.
        DeleteFileA(path.c_str());
        FailOn(path, "に書き込めません。");
    }
}

void Bitmap::LoadFromFile(const std::string& path) {
    const std::string file = ReadWholeFile(path);
    auto notBitmap = [&] { FailOn(path, "は有効なビットマップではありません。"); };

    if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M') notBitmap();
    const std::uint64_t offBits = GetLe(file, 10, 4);
    // The info header and its later versions (V2, V3, V4, V5); not the old 12-byte core header.
    const std::uint32_t headerSize = GetLe(file, 14, 4);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        notBitmap();
    const auto width = static_cast<std::int32_t>(GetLe(file, 18, 4));
    const auto rawHeight = static_cast<std::int32_t>(GetLe(file, 22, 4));
    const std::uint32_t planes = GetLe(file, 26, 2);
    const std::uint32_t bitCount = GetLe(file, 28, 2);
    const std::uint32_t compression = GetLe(file, 30, 4);
    std::uint32_t colorsUsed = GetLe(file, 46, 4);
    if (planes != 1 || width < 0 || rawHeight == INT32_MIN) notBitmap();
    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (!paletted && bitCount != 16 && bitCount != 24 && bitCount != 32) notBitmap();
    // Compressed images are not accepted: their size cannot be checked before GDI reads them.
    const bool bitFields = compression == BI_BITFIELDS;
    if (compression != BI_RGB && !(bitFields && (bitCount == 16 || bitCount == 32))) notBitmap();
    if (paletted && (colorsUsed == 0 || colorsUsed > (1u << bitCount))) colorsUsed = 1u << bitCount;
    if (!paletted) colorsUsed = 0;

    const std::uint64_t height = rawHeight < 0 ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
    if (width == 0 || height == 0) {
        handle_.Reset();
        width_ = height_ = 0;
        return;
    }
    // The three masks follow the 40-byte part of the header (inside the longer
    // headers); the colour table follows the whole header. Both come before the pixels.
    const std::size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
    const std::uint64_t tableAt = kFileHeaderSize + headerSize + (bitFields && headerSize == kInfoHeaderSize ? 12 : 0);
    const std::uint64_t tableEnd = tableAt + colorsUsed * 4;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    if (tableEnd > file.size() || offBits < tableEnd || offBits + stride * height > file.size()) notBitmap();
    if (static_cast<std::uint64_t>(width) * height > 0x7FFFFFFF / 4) notBitmap();

    // GDI gets a plain 40-byte header with the checked colour count, then the masks
    // or the colour table, so it reads nothing the checks above did not cover.
    std::string header = file.substr(kFileHeaderSize, kInfoHeaderSize);
    PutLe(header, 0, kInfoHeaderSize, 4);
    PutLe(header, 32, colorsUsed, 4);
    if (bitFields) header += file.substr(masksAt, 12);
    header += file.substr(static_cast<std::size_t>(tableAt), colorsUsed * 4);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
    BitmapHandle surface = TryCreateSurface(width, static_cast<int>(height));
    if (!surface) notBitmap();
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (SetDIBits(dc.Get(), surface.Get(), 0, static_cast<UINT>(height), file.data() + offBits, info,
                  DIB_RGB_COLORS) != static_cast<int>(height))
        notBitmap();
    handle_ = std::move(surface);
    width_ = width;
    height_ = static_cast<int>(height);
}

void Bitmap::DrawTransparent(HDC dc, int x, int y, COLORREF transparent) const {
    if (Empty()) return;
    Canvas canvas(handle_.Get());
    GdiTransparentBlt(dc, x, y, width_, height_, canvas.Get(), 0, 0, width_, height_, transparent);
}

} // namespace tk
