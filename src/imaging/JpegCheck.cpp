#include "imaging/JpegCheck.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace orbpix {

namespace {

struct CheckErrors {
    jpeg_error_mgr pub;  // first, so that libjpeg's pointer is also ours
    std::jmp_buf escape;
    char firstWarning[JMSG_LENGTH_MAX];
};

void leave(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<CheckErrors*>(cinfo->err)->escape, 1);
}

// Counts warnings (libjpeg does that in num_warnings) and keeps the first one's text instead
// of printing anything.
void note(j_common_ptr cinfo, int level) {
    auto* errors = reinterpret_cast<CheckErrors*>(cinfo->err);
    if (level >= 0)
        return;  // trace messages
    if (errors->pub.num_warnings++ == 0)
        errors->pub.format_message(cinfo, errors->firstWarning);
}

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file)
            std::fclose(file);
    }
};

// The one function with setjmp: nothing with a destructor lives in it, the caller owns the
// file and the row buffer.
JpegData decodeSmall(std::FILE* file, std::vector<unsigned char>& row, std::string* message) {
    jpeg_decompress_struct cinfo{};
    CheckErrors errors{};
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = leave;
    errors.pub.emit_message = note;
    if (setjmp(errors.escape)) {
        if (message) {
            char text[JMSG_LENGTH_MAX];
            errors.pub.format_message(reinterpret_cast<j_common_ptr>(&cinfo), text);
            *message = text;
        }
        jpeg_destroy_decompress(&cinfo);
        return JpegData::Unreadable;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    (void)jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    (void)jpeg_start_decompress(&cinfo);
    row.resize(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.output_scanline < cinfo.output_height)
        (void)jpeg_read_scanlines(&cinfo, rows, 1);
    (void)jpeg_finish_decompress(&cinfo);
    const bool damaged = errors.pub.num_warnings > 0;
    if (damaged && message)
        *message = errors.firstWarning;
    jpeg_destroy_decompress(&cinfo);
    return damaged ? JpegData::Damaged : JpegData::Complete;
}

}  // namespace

bool looksLikeJpeg(const std::string& path) {
    FileCloser in{std::fopen(path.c_str(), "rb")};
    unsigned char start[3] = {};
    return in.file && std::fread(start, 1, 3, in.file) == 3 && start[0] == 0xFF &&
           start[1] == 0xD8 && start[2] == 0xFF;
}

JpegData checkJpegData(const std::string& path, std::string* message) {
    FileCloser in{std::fopen(path.c_str(), "rb")};
    if (!in.file) {
        if (message)
            *message = "cannot be opened";
        return JpegData::Unreadable;
    }
    std::vector<unsigned char> row;
    return decodeSmall(in.file, row, message);
}

}  // namespace orbpix
