#include "imaging/JpegWriter.h"

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <span>
#include <utility>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "core/ByteStream.h"
#include "imaging/PixelImage.h"

namespace orbpix {
namespace {

static_assert(kMaxJpegSide == JPEG_MAX_DIMENSION);

// Bytes collected before each write to the stream.
constexpr std::size_t kBufferSize = 1024;

std::mutex& handlerMutex() {
    static std::mutex mutex;
    return mutex;
}

JpegErrorHandler& installedHandler() {
    static JpegErrorHandler handler;
    return handler;
}

// Called from inside libjpeg's frames, so nothing may escape from it.
void reportJpegError(const char* message) noexcept {
    try {
        JpegErrorHandler handler;
        {
            std::lock_guard lock(handlerMutex());
            handler = installedHandler();
        }
        if (handler) {
            handler(std::string(message));
            return;
        }
    } catch (...) {
        // A handler that cannot take the message leaves it to stderr.
    }
    std::fprintf(stderr, "JPEG Error: %s\n", message);
}

// The stream's own failures (including exceptions) become a plain "refused", since they
// surface inside libjpeg's C frames.
bool writeBytes(ByteStream& stream, const JOCTET* bytes, std::size_t count) noexcept {
    try {
        return stream.write(std::span<const std::uint8_t>(bytes, count));
    } catch (...) {
        return false;
    }
}

bool flushStream(ByteStream& stream) noexcept {
    try {
        return stream.flush();
    } catch (...) {
        return false;
    }
}

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so that libjpeg's pointer is also ours
    std::jmp_buf escape;
};

// Replaces libjpeg's error_exit, which would end the process.
[[noreturn]] void leaveEncoder(j_common_ptr cinfo) {
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    reportJpegError(message);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->escape, 1);
}

// Collects the compressed bytes in a small buffer and hands them to a ByteStream. The
// destination holds a reference to the stream from init_destination until
// term_destination, or until the encoder's error path gives it back; a non-null buffer
// marks that the reference is held.
struct JpegStreamDestination {
    jpeg_destination_mgr pub;  // first, so that libjpeg's pointer is also ours
    ByteStream* stream;
    JOCTET* buffer;
};

JpegStreamDestination* streamDestination(j_compress_ptr cinfo) {
    return reinterpret_cast<JpegStreamDestination*>(cinfo->dest);
}

void initDestination(j_compress_ptr cinfo) {
    JpegStreamDestination* dest = streamDestination(cinfo);
    // Allocated before the reference is taken: a failing allocation leaves through
    // error_exit with nothing to give back.
    auto* buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kBufferSize * sizeof(JOCTET)));
    if (!dest->buffer)
        dest->stream->addRef();
    dest->buffer = buffer;
    dest->pub.next_output_byte = buffer;
    dest->pub.free_in_buffer = kBufferSize;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    JpegStreamDestination* dest = streamDestination(cinfo);
    const bool written = writeBytes(*dest->stream, dest->buffer, kBufferSize);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBufferSize;
    // Returning FALSE would not stop libjpeg: it reads FALSE as "suspend", the scanline
    // writer hands the row back, the next call carries on without the lost kilobyte and
    // jpeg_finish_compress completes normally with a damaged file. A refused write is
    // final, so it ends the encoding here.
    if (!written)
        ERREXIT(cinfo, JERR_FILE_WRITE);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    JpegStreamDestination* dest = streamDestination(cinfo);
    const std::size_t pending = kBufferSize - dest->pub.free_in_buffer;
    // An output of whole kilobytes has nothing left over and gets no empty write.
    const bool ok = (pending == 0 || writeBytes(*dest->stream, dest->buffer, pending)) &&
                    flushStream(*dest->stream);
    dest->buffer = nullptr;
    dest->stream->release();
    if (!ok)
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

// Points the compressor at the stream. The destination record lives as long as the
// compressor and is reused for every image it encodes.
void attachStreamDestination(j_compress_ptr cinfo, ByteStream& stream) {
    if (!cinfo->dest) {
        auto* dest = static_cast<JpegStreamDestination*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegStreamDestination)));
        dest->pub.init_destination = initDestination;
        dest->pub.empty_output_buffer = emptyOutputBuffer;
        dest->pub.term_destination = termDestination;
        dest->buffer = nullptr;
        cinfo->dest = &dest->pub;
    } else if (cinfo->dest->init_destination != initDestination) {
        // Some other destination's record, too small to hold ours.
        ERREXIT(cinfo, JERR_BUFFER_SIZE);
    }
    streamDestination(cinfo)->stream = &stream;
}

// For the error path: term_destination is never called there.
void releaseHeldStream(j_compress_ptr cinfo) {
    if (!cinfo->dest || cinfo->dest->init_destination != initDestination)
        return;
    JpegStreamDestination* dest = streamDestination(cinfo);
    if (dest->buffer) {
        dest->buffer = nullptr;
        dest->stream->release();
    }
}

// The one function with setjmp. A longjmp skips destructors, so everything alive here is a
// plain C object, and the row buffer comes from malloc.
bool compressImage(const PixelImage& image, ByteStream& out, int quality) {
    jpeg_compress_struct cinfo{};  // zeroed: destroying a half-created compressor is safe
    JpegErrorManager errors{};
    JSAMPLE* volatile row = nullptr;

    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = leaveEncoder;
    if (setjmp(errors.escape)) {
        releaseHeldStream(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::free(row);
        return false;
    }

    jpeg_create_compress(&cinfo);
    attachStreamDestination(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(image.width());
    cinfo.image_height = static_cast<JDIMENSION>(image.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    row = static_cast<JSAMPLE*>(std::malloc(std::size_t(image.width()) * 3));
    if (!row)
        ERREXIT1(&cinfo, JERR_OUT_OF_MEMORY, 0);
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint8_t* src = image.row(static_cast<int>(cinfo.next_scanline));
        JSAMPLE* dst = row;
        for (int x = 0; x < image.width(); ++x, src += 4, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        JSAMPROW rows[1] = {row};
        // Our destination never suspends, so a row not taken means something is badly
        // wrong; retrying it could loop for ever.
        if (jpeg_write_scanlines(&cinfo, rows, 1) != 1)
            ERREXIT(&cinfo, JERR_CANT_SUSPEND);
    }

    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(row);
    return true;
}

}  // namespace

void setJpegErrorHandler(JpegErrorHandler handler) {
    std::lock_guard lock(handlerMutex());
    installedHandler() = std::move(handler);
}

bool encodeJpeg(const PixelImage& image, ByteStream& out, int quality) {
    if (image.isEmpty() || !image.bits()) {
        reportJpegError("There is no picture to save as JPEG.");
        return false;
    }
    if (image.width() > kMaxJpegSide || image.height() > kMaxJpegSide) {
        const std::string message = "A " + std::to_string(image.width()) + " x " +
                                    std::to_string(image.height()) +
                                    " picture is too large for JPEG, whose sides end at " +
                                    std::to_string(kMaxJpegSide) + " pixels.";
        reportJpegError(message.c_str());
        return false;
    }
    if (quality < 0 || quality > 100) {
        const std::string message =
            "JPEG quality " + std::to_string(quality) + " lies outside 0 to 100.";
        reportJpegError(message.c_str());
        return false;
    }
    return compressImage(image, out, quality);
}

}  // namespace orbpix
