#include "scan/Scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <mutex>

namespace orbpix {

namespace {

std::mutex& libraryLock() {
    static std::mutex lock;
    return lock;
}

SANE_Handle handleOf(void* handle) {
    return static_cast<SANE_Handle>(handle);
}

std::string statusText(SANE_Status status) {
    return sane_strstatus(status);
}

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

// What one frame of the scan delivers and how to read its samples.
struct Frame {
    SANE_Parameters parameters{};
    std::vector<std::uint8_t> bytes;
    int lines = 0;

    // Sample i of row y as 0..255. One-bit grey marks black with a set bit; one-bit colour
    // marks a full sample.
    std::uint8_t sample(int y, int i) const {
        const std::uint8_t* row =
            bytes.data() + std::size_t(y) * std::size_t(parameters.bytes_per_line);
        switch (parameters.depth) {
            case 1: {
                const bool set = (row[i / 8] >> (7 - i % 8)) & 1;
                if (parameters.format == SANE_FRAME_RGB)
                    return set ? 255 : 0;
                return set ? 0 : 255;
            }
            case 16: {
                std::uint16_t value;
                std::memcpy(&value, row + std::size_t(i) * 2, 2);  // the host's byte order
                return std::uint8_t(value >> 8);
            }
            default:
                return row[i];
        }
    }
};

// Bytes a row needs for the frame's samples.
long long rowBytesNeeded(const SANE_Parameters& p) {
    const long long samples = (long long)p.pixels_per_line * (p.format == SANE_FRAME_RGB ? 3 : 1);
    return p.depth == 1 ? (samples + 7) / 8 : samples * (p.depth / 8);
}

}  // namespace

ScannerLibrary::ScannerLibrary() {
    libraryLock().lock();
    SANE_Int version = 0;
    m_available = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
}

ScannerLibrary::~ScannerLibrary() {
    if (m_available)
        sane_exit();
    libraryLock().unlock();
}

std::vector<ScanSourceInfo> ScannerLibrary::sources() const {
    std::vector<ScanSourceInfo> result;
    const SANE_Device** devices = nullptr;
    if (!m_available || sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices)
        return result;
    for (const SANE_Device** d = devices; *d; ++d) {
        ScanSourceInfo info;
        info.name = (*d)->name ? (*d)->name : "";
        std::string label =
            std::string((*d)->vendor ? (*d)->vendor : "") + " " + ((*d)->model ? (*d)->model : "");
        if ((*d)->type && *(*d)->type)
            label += std::string(" (") + (*d)->type + ")";
        info.label = label;
        if (!info.name.empty())
            result.push_back(std::move(info));
    }
    return result;
}

std::unique_ptr<Scanner> Scanner::open(const ScannerLibrary& library, const std::string& name,
                                       std::string& error) {
    if (!library.available()) {
        error = "No scanner library is available.";
        return nullptr;
    }
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.c_str(), &handle);
    if (status != SANE_STATUS_GOOD || !handle) {
        error = "The scanner \"" + name + "\" cannot be opened: " + statusText(status) + ".";
        return nullptr;
    }
    return std::unique_ptr<Scanner>(new Scanner(handle));
}

Scanner::~Scanner() {
    sane_cancel(handleOf(m_handle));
    sane_close(handleOf(m_handle));
}

void Scanner::finish() {
    sane_cancel(handleOf(m_handle));
}

int Scanner::findOption(std::string_view name) const {
    for (SANE_Int n = 1;; ++n) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
        if (!d)
            return -1;
        if (d->name && name == d->name)
            return n;
    }
}

bool Scanner::setOption(std::string_view name, std::string_view value, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "Option " + std::string(name) + ": " + why;
        return false;
    };
    const int n = findOption(name);
    if (n < 0)
        return fail("the scanner has no such option");
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap))
        return fail("it cannot be set now");
    SANE_Status status = SANE_STATUS_INVAL;
    switch (d->type) {
        case SANE_TYPE_BOOL: {
            SANE_Bool on = value == "true" || value == "1" ? SANE_TRUE : SANE_FALSE;
            if (!on && value != "false" && value != "0")
                return fail("true or false expected");
            status =
                sane_control_option(handleOf(m_handle), n, SANE_ACTION_SET_VALUE, &on, nullptr);
            break;
        }
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            if (d->size != SANE_Int(sizeof(SANE_Word)))
                return fail("lists of numbers are not supported");
            double number = 0;
            const auto [end, ec] =
                std::from_chars(value.data(), value.data() + value.size(), number);
            if (ec != std::errc() || end != value.data() + value.size())
                return fail("a number expected");
            SANE_Word word = d->type == SANE_TYPE_INT ? SANE_Word(number) : SANE_FIX(number);
            status =
                sane_control_option(handleOf(m_handle), n, SANE_ACTION_SET_VALUE, &word, nullptr);
            break;
        }
        case SANE_TYPE_STRING: {
            if (d->size <= 0 || value.size() >= std::size_t(d->size))
                return fail("the text is too long");
            std::vector<char> text(std::size_t(d->size), '\0');
            std::copy(value.begin(), value.end(), text.begin());
            status = sane_control_option(handleOf(m_handle), n, SANE_ACTION_SET_VALUE, text.data(),
                                         nullptr);
            break;
        }
        default:
            return fail("this kind of option cannot be set");
    }
    if (status != SANE_STATUS_GOOD)
        return fail(statusText(status));
    return true;
}

std::vector<std::string> Scanner::optionChoices(std::string_view name) const {
    std::vector<std::string> result;
    const int n = findOption(name);
    if (n < 0)
        return result;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handleOf(m_handle), n);
    if (d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return result;
    for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
        result.emplace_back(*s);
    return result;
}

bool Scanner::useFeeder() {
    for (const std::string& choice : optionChoices(SANE_NAME_SCAN_SOURCE)) {
        const std::string word = lowered(choice);
        if (word.find("feeder") != std::string::npos || word.find("adf") != std::string::npos)
            return setOption(SANE_NAME_SCAN_SOURCE, choice);
    }
    return false;
}

ScanResult Scanner::acquire(PixelImage& out, const Progress& progress) {
    const SANE_Handle h = handleOf(m_handle);
    auto stopped = [&](ScanStatus status, std::string message) {
        sane_cancel(h);
        return ScanResult{status, std::move(message)};
    };
    std::vector<Frame> frames;
    int expectedFrames = 1;
    for (;;) {
        SANE_Status status = sane_start(h);
        if (status == SANE_STATUS_NO_DOCS && frames.empty())
            return stopped(ScanStatus::NoDocuments, "The scanner has no more documents.");
        if (status == SANE_STATUS_CANCELLED)
            return stopped(ScanStatus::Cancelled, "The scan was cancelled.");
        if (status != SANE_STATUS_GOOD)
            return stopped(ScanStatus::Failed,
                           "The scanner could not start: " + statusText(status) + ".");
        Frame frame;
        if (sane_get_parameters(h, &frame.parameters) != SANE_STATUS_GOOD)
            return stopped(ScanStatus::Failed, "The scanner did not describe its picture.");
        const SANE_Parameters& p = frame.parameters;
        const bool known = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB ||
                           p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN ||
                           p.format == SANE_FRAME_BLUE;
        if (!known || (p.depth != 1 && p.depth != 8 && p.depth != 16) || p.pixels_per_line <= 0 ||
            p.bytes_per_line < rowBytesNeeded(p) ||
            !PixelImage::isValidSize(p.pixels_per_line, std::max(p.lines, 1)))
            return stopped(ScanStatus::Failed,
                           "The scanner delivers a kind of picture this program cannot read.");
        if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB)
            expectedFrames = 3;
        // A source that does not know its length (a hand scanner) is read to its end, up to
        // the largest picture the program holds.
        const long long maxLines =
            p.lines > 0 ? p.lines : PixelImage::kMaxPixels / p.pixels_per_line;
        const long long expected = (long long)p.bytes_per_line * maxLines;
        std::vector<SANE_Byte> buffer(64 * 1024);
        for (;;) {
            SANE_Int length = 0;
            status = sane_read(h, buffer.data(), SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            if (status == SANE_STATUS_CANCELLED)
                return stopped(ScanStatus::Cancelled, "The scan was cancelled.");
            // Some feeders find out that they are empty only when the page is read.
            if (status == SANE_STATUS_NO_DOCS && frames.empty() && frame.bytes.empty())
                return stopped(ScanStatus::NoDocuments, "The scanner has no more documents.");
            if (status != SANE_STATUS_GOOD)
                return stopped(ScanStatus::Failed,
                               "The scanner stopped: " + statusText(status) + ".");
            const long long room = expected - (long long)frame.bytes.size();
            if (room <= 0 && p.lines <= 0)
                return stopped(ScanStatus::Failed, "The scanned picture is too large.");
            frame.bytes.insert(frame.bytes.end(), buffer.begin(),
                               buffer.begin() + std::min<long long>(length, std::max(room, 0LL)));
            const double fraction =
                (double(frames.size()) + double(frame.bytes.size()) / double(expected)) /
                expectedFrames;
            if (progress && !progress(std::min(fraction, 1.0)))
                return stopped(ScanStatus::Cancelled, "The scan was cancelled.");
        }
        frame.lines = int(frame.bytes.size() / std::size_t(p.bytes_per_line));
        if (frame.lines <= 0)
            return stopped(ScanStatus::Failed, "The scanner delivered an empty picture.");
        frames.push_back(std::move(frame));
        if (frames.back().parameters.last_frame || frames.size() >= 3)
            break;
    }

    // Separate colour passes must agree on their size.
    const Frame& first = frames.front();
    const int width = first.parameters.pixels_per_line;
    int height = first.lines;
    for (const Frame& f : frames) {
        if (f.parameters.pixels_per_line != width)
            return stopped(ScanStatus::Failed, "The scanner's colour passes differ in size.");
        height = std::min(height, f.lines);
    }
    if (!out.allocate(width, height))
        return stopped(ScanStatus::Failed, "There is not enough memory for the scanned picture.");
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = out.row(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = row + std::size_t(x) * 4;
            px[0] = px[1] = px[2] = 0;
            px[3] = 0;
            for (const Frame& f : frames) {
                switch (f.parameters.format) {
                    case SANE_FRAME_GRAY:
                        px[0] = px[1] = px[2] = f.sample(y, x);
                        break;
                    case SANE_FRAME_RGB:
                        px[2] = f.sample(y, 3 * x);
                        px[1] = f.sample(y, 3 * x + 1);
                        px[0] = f.sample(y, 3 * x + 2);
                        break;
                    case SANE_FRAME_RED:
                        px[2] = f.sample(y, x);
                        break;
                    case SANE_FRAME_GREEN:
                        px[1] = f.sample(y, x);
                        break;
                    case SANE_FRAME_BLUE:
                        px[0] = f.sample(y, x);
                        break;
                }
            }
        }
    }
    return {ScanStatus::Done, {}};
}

}  // namespace orbpix
