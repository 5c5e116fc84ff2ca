#include "support/JpegDecode.h"

#include <csetjmp>

namespace k2test {
namespace {

struct DecodeErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void DecodeErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1); }

// Nothing with a destructor is created between setjmp and the last libjpeg call.
bool DecodeInto(const std::string& bytes, DecodedJpeg* out) {
    jpeg_decompress_struct cinfo{};
    DecodeErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = DecodeErrorExit;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    out->width = static_cast<int>(cinfo.image_width);
    out->height = static_cast<int>(cinfo.image_height);
    out->components = cinfo.num_components;
    out->colourSpace = cinfo.jpeg_color_space;
    out->progressive = cinfo.progressive_mode;
    cinfo.out_color_space = JCS_RGB;
    cinfo.do_fancy_upsampling = FALSE; // keeps colour from bleeding across block edges
    jpeg_start_decompress(&cinfo);
    out->rgb.resize(static_cast<std::size_t>(out->width) * out->height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) * out->width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

DecodedJpeg DecodeJpeg(const std::string& bytes) {
    DecodedJpeg decoded;
    decoded.ok = DecodeInto(bytes, &decoded);
    return decoded;
}

std::multimap<int, std::string> JpegSegments(const std::string& file) {
    std::multimap<int, std::string> segments;
    std::size_t at = 2;
    while (at + 4 <= file.size() && static_cast<unsigned char>(file[at]) == 0xFF) {
        const int marker = static_cast<unsigned char>(file[at + 1]);
        const std::size_t length =
            static_cast<unsigned char>(file[at + 2]) * 256u + static_cast<unsigned char>(file[at + 3]);
        segments.emplace(marker, file.substr(at + 4, length - 2));
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    return segments;
}

std::vector<int> LuminanceTable(const std::string& file) {
    for (const auto& [marker, body] : JpegSegments(file)) {
        if (marker != 0xDB) continue;
        for (std::size_t at = 0; at + 65 <= body.size(); at += 65)
            if ((body[at] & 0x0F) == 0) return std::vector<int>(body.begin() + at + 1, body.begin() + at + 65);
    }
    return {};
}

} // namespace k2test
