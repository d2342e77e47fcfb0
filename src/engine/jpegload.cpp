// JPEG decoding for the browser build: libjpeg's defaults (ISLOW DCT, fancy upsampling), RGB
// out, or raw CMYK for four-channel files, as SDL_image 1.2's loader asks for them. libjpeg
// reports errors by calling error_exit, which must not return: it jumps back here.
#include "engine/jpegload.h"

#include <csetjmp>
// jpeglib.h uses FILE without declaring it.
#include <jpeglib.h>

#include <cstdio>

namespace Tramble {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jumpOut(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void ignoreMessage(j_common_ptr) {}

}  // namespace

bool decodeJpeg(const unsigned char* data, std::size_t size, JpegPixels& out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOut;
    errors.base.output_message = ignoreMessage;
    // Only plain C objects live in this frame from here on: a jump skips no destructor.
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = info.num_components == 4 ? JCS_CMYK : JCS_RGB;
    info.quantize_colors = FALSE;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.bytesPerPixel = info.output_components;
    const std::size_t rowBytes = static_cast<std::size_t>(out.width) * out.bytesPerPixel;
    out.pixels.resize(rowBytes * out.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.pixels.data() + info.output_scanline * rowBytes;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace Tramble
