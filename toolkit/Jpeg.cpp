#include "toolkit/Jpeg.h"

#include "toolkit/Bitmap.h"
#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

// jpeglib.h wants FILE and the platform's `boolean` declared first.
#include <stdio.h>
#include <windows.h>
#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: pictures are encoded from GDI's BGRX rows (JCS_EXT_BGRX)"
#endif

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace tk {
namespace {

// libjpeg's default error handler ends the process; this one jumps back to
// Compress with the library's message instead.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings would go to stderr, which a GUI program does not have.
void IgnoreMessage(j_common_ptr) {}

// Rows read from the bitmap per call: one row of 16 x 16 blocks with the
// default 2 x 2 chroma subsampling, small enough to stay in the cache.
constexpr int kBandRows = 16;

// Compresses into a buffer that libjpeg allocates with malloc (the caller frees
// it, also on failure). Nothing with a destructor lives here: longjmp skips them.
bool Compress(HDC dc, HBITMAP bitmap, int width, int height, int quality, unsigned char** out,
              unsigned long* size, ErrorManager* errors) {
    jpeg_compress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors->pub);
    errors->pub.error_exit = ErrorExit;
    errors->pub.output_message = IgnoreMessage;
    errors->message[0] = '\0';
    if (setjmp(errors->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    // The colour conversion reads the channels where GDI puts them: the file
    // is the same as from 24-bit RGB rows, without that copy and byte swapping.
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    // One band buffer for the whole picture, freed with the compressor.
    const JDIMENSION stride = static_cast<JDIMENSION>(width) * 4;
    unsigned char* band = static_cast<unsigned char*>((*cinfo.mem->alloc_large)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, static_cast<std::size_t>(stride) * kBandRows));
    JSAMPROW rows[kBandRows];
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up: scan line 0 is the picture's last row
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int top = static_cast<int>(cinfo.next_scanline);
        const int count = height - top < kBandRows ? height - top : kBandRows;
        if (GetDIBits(dc, bitmap, static_cast<UINT>(height - top - count), static_cast<UINT>(count), band, &info,
                      DIB_RGB_COLORS) != count) {
            std::strcpy(errors->message, "ビットマップの画素を読み取れません");
            jpeg_destroy_compress(&cinfo);
            return false;
        }
        for (int i = 0; i < count; ++i) rows[i] = band + static_cast<std::size_t>(count - 1 - i) * stride;
        jpeg_write_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

class MallocBuffer {
public:
    MallocBuffer() = default;
    ~MallocBuffer() { std::free(data); }
    MallocBuffer(const MallocBuffer&) = delete;
    MallocBuffer& operator=(const MallocBuffer&) = delete;
    unsigned char* data = nullptr;
    unsigned long size = 0;
};

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
    throw EFileError("ファイル \"" + path + "\" に書き込めません。" + reason);
}

// Writes `bytes` to a temporary file beside `path`, then moves it into place,
// so a failure leaves neither a cut-off file nor a damaged older one.
void WriteReplacing(const std::string& path, const unsigned char* bytes, unsigned long size) {
    const std::string folder = path::FolderPart(path);
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(Wide(folder.empty() ? "." : folder).c_str(), L"k2j", 0, temp)) Fail(path, "");
    FileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool ok = file && WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
    file.Reset();
    if (!ok || !MoveFileExW(temp, Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp);
        Fail(path, "");
    }
}

// The file's bytes, or nothing and libjpeg's message in `error`.
std::string EncodeBitmap(HBITMAP bitmap, int width, int height, int quality, std::string* error) {
    MallocBuffer encoded;
    ErrorManager errors;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!Compress(dc.Get(), bitmap, width, height, quality, &encoded.data, &encoded.size, &errors)) {
        *error = errors.message[0] ? errors.message : "?";
        return {};
    }
    return std::string(reinterpret_cast<const char*>(encoded.data), encoded.size);
}

} // namespace

JpegImage::JpegImage(HBITMAP bitmap) : bitmap_(bitmap) {
    if (!bitmap) return;
    BITMAP info{};
    if (GetObjectType(bitmap) != OBJ_BITMAP || !GetObjectW(bitmap, sizeof info, &info))
        throw Exception("ビットマップではないハンドルです");
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
}

JpegImage::JpegImage(const Bitmap& bitmap) : JpegImage(bitmap.Handle()) {}

std::string JpegImage::Encode() const {
    std::string error;
    std::string jfif = EncodeBitmap(bitmap_, width_, height_, quality_, &error);
    if (!error.empty()) throw Exception("JPEG 画像を作成できません (" + error + ")");
    return jfif;
}

void JpegImage::SaveToFile(const std::string& path) const {
    std::string error;
    const std::string jfif = EncodeBitmap(bitmap_, width_, height_, quality_, &error);
    if (!error.empty()) Fail(path, " (" + error + ")");
    SaveEncoded(path, jfif);
}

void JpegImage::SaveEncoded(const std::string& path, const std::string& jfif) {
    WriteReplacing(path, reinterpret_cast<const unsigned char*>(jfif.data()), static_cast<unsigned long>(jfif.size()));
}

} // namespace tk
