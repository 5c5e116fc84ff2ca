#include "toolkit/Jpeg.h"

#include "toolkit/Bitmap.h"
#include "toolkit/Exception.h"
#include "toolkit/Handles.h"
#include "toolkit/SjisPath.h"

// jpeglib.h wants FILE and the platform's `boolean` declared first.
#include <stdio.h>
#include <windows.h>
#include <jpeglib.h>

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

// Compresses into a buffer that libjpeg allocates with malloc (the caller frees
// it, also on failure). Nothing with a destructor lives here: longjmp skips them.
bool Compress(const unsigned char* rgb, int width, int height, int quality, unsigned char** out,
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
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
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
    const std::string folder = sjis::FolderPart(path);
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "k2j", 0, temp)) Fail(path, "");
    FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool ok = file && WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
    file.Reset();
    if (!ok || !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        Fail(path, "");
    }
}

} // namespace

JpegImage::JpegImage(const Bitmap& bitmap)
    : rgb_(bitmap.Rgb24()), width_(bitmap.Width()), height_(bitmap.Height()) {}

void JpegImage::SaveToFile(const std::string& path) const {
    MallocBuffer encoded;
    ErrorManager errors;
    if (!Compress(reinterpret_cast<const unsigned char*>(rgb_.data()), width_, height_, quality_, &encoded.data,
                  &encoded.size, &errors))
        Fail(path, std::string(" (") + errors.message + ")");
    WriteReplacing(path, encoded.data, encoded.size);
}

} // namespace tk
