#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>

namespace orbpix {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

[[noreturn]] void onFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings about damaged data are counted, not printed: the tour shows the picture anyway.
void onMessage(j_common_ptr info, int level) {
    if (level < 0)
        ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
}

// Where the compressed data comes from: memory, or else an open file.
struct JpegSource {
    const std::uint8_t* data = nullptr;
    unsigned long size = 0;
    std::FILE* file = nullptr;
};

// The part of decoding that libjpeg may leave by its long jump. Nothing in here owns
// anything that needs a destructor: the rows go into memory owned by the caller.
// Returns 0 on success, 1 for a fatal libjpeg error or a file outside what is asked for,
// 2 when the pixels cannot be held.
int decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const JpegSource& source,
               bool colourOnly, PixelImage& out) {
    if (setjmp(errors.jump))
        return 1;
    jpeg_create_decompress(&info);
    if (source.file)
        jpeg_stdio_src(&info, source.file);
    else
        jpeg_mem_src(&info, const_cast<unsigned char*>(source.data), source.size);
    jpeg_read_header(&info, TRUE);
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    if (colourOnly && (grey || info.num_components != 3))
        return 1;
    if (!grey && info.jpeg_color_space != JCS_YCbCr && info.jpeg_color_space != JCS_RGB)
        return 1;
    // Rows arrive in the picture's own layout (blue, green, red, 255), grey samples repeated
    // into all three colours, straight into its block: no pass over the pixels afterwards.
    info.out_color_space = JCS_EXT_BGRA;
    if (!PixelImage::isValidSize(int(info.image_width), int(info.image_height)))
        return 1;
    jpeg_start_decompress(&info);
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    if (info.output_components != 4)
        return 1;
    if (!out.reshape(width, height))
        return 2;
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[8];
        const int first = int(info.output_scanline);
        const int count = std::min(8, height - first);
        for (int i = 0; i < count; ++i)
            rows[i] = out.row(first + i);
        if (jpeg_read_scanlines(&info, rows, JDIMENSION(count)) == 0)
            return 1;
    }
    jpeg_finish_decompress(&info);
    return 0;
}

}  // namespace

JpegResult decodeJpeg(std::span<const std::uint8_t> jpeg, PixelImage& out, std::string* why) {
    out.clear();
    if (jpeg.empty()) {
        if (why)
            *why = "no JPEG data";
        return JpegResult::Invalid;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onFatalError;
    errors.base.emit_message = onMessage;
    PixelImage decoded;
    int status = 2;
    try {
        status = decodeInto(info, errors, {jpeg.data(), jpeg.size(), nullptr}, false, decoded);
    } catch (const std::bad_alloc&) {
        status = 2;
    }
    jpeg_destroy_decompress(&info);
    if (status == 2) {
        if (why)
            *why = "out of memory";
        return JpegResult::OutOfMemory;
    }
    if (status != 0) {
        if (why)
            *why = errors.message[0] ? errors.message : "unsupported JPEG colour space or size";
        return JpegResult::Invalid;
    }
    out = std::move(decoded);
    return JpegResult::Ok;
}

bool decodeColourJpegFile(const std::string& path, PixelImage& into) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onFatalError;
    errors.base.emit_message = onMessage;
    int status = 2;
    try {
        status = decodeInto(info, errors, {nullptr, 0, file}, true, into);
    } catch (const std::bad_alloc&) {
        status = 2;
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return status == 0 && errors.warnings == 0;
}

}  // namespace orbpix
