#include "tourviewer/TourModel.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <utility>

#include "tourfmt/BlockScrambleStream.h"

namespace orbpix::tourviewer {

std::array<std::string, kInfoLineCount> informationLines(const std::optional<TourInfo>& info) {
    std::array<std::string, kInfoLineCount> lines;
    if (!info)
        return lines;
    lines[0] = info->authorName;
    lines[4] = info->authorHomePage;
    // Addresses typed on either kind of system arrive here, so a lone LF ends a line too.
    std::vector<std::string> address(1);
    const std::string& text = info->authorAddress;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\n')
            address.emplace_back();
        else
            address.back() += text[i];
    }
    for (std::size_t i = 0; i < 3 && i < address.size(); ++i)
        lines[1 + i] = address[i];
    if (address.size() > 3)
        lines[3] += "...";
    return lines;
}

bool isHomePageLink(std::string_view line) {
    const auto startsWith = [line](std::string_view prefix) {
        if (line.size() <= prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(line[i])) != prefix[i])
                return false;
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

std::vector<xwin::Rect> shapeFromMask(const GifPicture& mask) {
    const int w = mask.width;
    const int h = mask.height;
    if (w <= 0 || h <= 0 || mask.pixels.size() < std::size_t(w) * std::size_t(h) * 3)
        return {};
    if (!mask.transparent)
        return {xwin::Rect{0, 0, w, h}};
    const auto opaque = [&](int x, int y) {
        const std::uint8_t* p =
            &mask.pixels[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
        return p[0] != mask.blue || p[1] != mask.green || p[2] != mask.red;
    };
    std::vector<xwin::Rect> rects;
    // Runs of the previous column still open for widening, by their top and bottom.
    std::map<std::pair<int, int>, std::size_t> open;
    for (int x = 0; x < w; ++x) {
        std::map<std::pair<int, int>, std::size_t> now;
        int y = 0;
        while (y < h) {
            if (!opaque(x, y)) {
                ++y;
                continue;
            }
            const int top = y;
            while (y < h && opaque(x, y))
                ++y;
            const auto key = std::make_pair(top, y);
            auto found = open.find(key);
            if (found != open.end()) {
                rects[found->second].right = x + 1;
                now.emplace(key, found->second);
            } else {
                rects.push_back({x, top, x + 1, y});
                now.emplace(key, rects.size() - 1);
            }
        }
        open = std::move(now);
    }
    return rects;
}

int scrolledFirstRow(int firstRow, int step, int pictureCount) {
    if (pictureCount <= kListRows)
        return firstRow;
    return std::clamp(firstRow + step, 0, pictureCount - kListRows);
}

int listPick(int y, int listTop, int firstRow, int pictureCount) {
    if (pictureCount <= 0)
        return -1;
    const double row = std::trunc(double(y) / kListRowHeight - double(listTop) / kListRowHeight +
                                  double(firstRow));
    return int(std::clamp(row, 0.0, double(pictureCount - 1)));
}

namespace {

// A private folder for the temporary album copy: a fixed name in a shared folder could be
// another user's file, a link planted by someone else, or the copy of a tour started at the
// same moment.
class PrivateFolder {
public:
    explicit PrivateFolder(const std::string& parent) {
        std::string pattern = (std::filesystem::path(parent) / "OrbTour-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder() {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    bool isValid() const { return !m_path.empty(); }
    std::string file(const std::string& name) const {
        return (std::filesystem::path(m_path) / name).string();
    }

private:
    std::string m_path;
};

}  // namespace

bool TourModel::load(const std::string& programPath, const std::string& temporaryFolder,
                     const MessageSink& show, const std::string& programName) {
    auto program = FileStream::open(programPath, FileStream::Mode::Read);
    if (!program) {
        show(kFileNotFoundMessage + (programName.empty() ? programPath : programName));
        return false;
    }
    std::string why;
    const std::optional<TourDescriptor> tour = readTourContainer(*program, &why);
    if (!tour || tour->fileCount() == 0)
        return false;
    setSkin(tour->elements);

    PrivateFolder folder(temporaryFolder);
    const std::string copyPath =
        folder.isValid() ? folder.file(kTemporaryAlbumName) : std::string();
    auto copy = folder.isValid() ? FileStream::open(copyPath, FileStream::Mode::Create)
                                 : StreamRef<FileStream>();
    if (!copy) {
        show(kNoTemporaryCopyMessage);
        return false;
    }
    if (!copyEmbeddedFile(*program, *tour, 0, *copy) || !copy->flush()) {
        show(kNoTemporaryCopyMessage);
        return false;
    }
    copy = {};
    std::optional<TourAlbum> album = readTourAlbumFile(copyPath);
    if (!album) {
        show(kNoTemporaryCopyMessage);
        return false;
    }
    // A damaged album reads as one without pictures; a window with nothing to show would
    // leave the user guessing.
    if (album->pictures.empty()) {
        show(kAlbumUnreadableMessage);
        return false;
    }
    setAlbum(std::move(*album));
    return true;
}

void TourModel::setSkin(const std::vector<TourElement>& elements, const GifDecoder& decoder) {
    m_elements.clear();
    m_background = -1;
    m_view = -1;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        Element element;
        element.record = elements[i];
        element.record.bitmaps.clear();
        const int count = pictureCountForState(element.record.state);
        for (int k = 0; k < count && std::size_t(k) < elements[i].bitmaps.size(); ++k) {
            std::optional<GifPicture> picture =
                decoder.decode(elements[i].bitmaps[std::size_t(k)], "element " + std::to_string(i));
            element.pictures.push_back(picture ? std::move(*picture) : GifPicture());
        }
        // An element that shows pictures is as large as its normal picture.
        for (const GifPicture& picture : element.pictures)
            if (picture.width > 0) {
                element.record.width = picture.width;
                element.record.height = picture.height;
                break;
            }
        if (std::all_of(element.pictures.begin(), element.pictures.end(),
                        [](const GifPicture& p) { return p.width <= 0; }))
            element.pictures.clear();
        if (element.record.type == kTypeBackground && m_background < 0)
            m_background = int(i);
        if (element.record.type == kTypeView && m_view < 0)
            m_view = int(i);
        m_elements.push_back(std::move(element));
    }
    compose();
}

void TourModel::compose() {
    const GifPicture* base = nullptr;
    if (m_background >= 0) {
        const Element& background = m_elements[std::size_t(m_background)];
        if (background.hasPictures() && background.pictures[0].width > 0)
            base = &background.pictures[0];
    }
    if (base) {
        m_pristine = *base;
    } else {
        // A skin without a usable background still gets a window to draw in.
        m_pristine = GifPicture();
        m_pristine.width = kWindowWidth;
        m_pristine.height = kWindowHeight;
        m_pristine.pixels.assign(std::size_t(kWindowWidth) * kWindowHeight * 3, 0);
    }
    m_composed = m_pristine;
    for (std::size_t i = 0; i < m_elements.size(); ++i)
        if (int(i) != m_background && m_elements[i].hasPictures())
            layPicture(m_elements[i], m_elements[i].pictures[0]);
}

void TourModel::layPicture(const Element& element, const GifPicture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return;
    // Positions come from the tour file: whatever lies outside the background is cut off.
    const xwin::Rect area =
        xwin::Rect::ofSize(element.record.left, element.record.top, picture.width, picture.height)
            .intersected({0, 0, m_composed.width, m_composed.height});
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const std::uint8_t* from =
                &picture.pixels[(std::size_t(y - element.record.top) * std::size_t(picture.width) +
                                 std::size_t(x - element.record.left)) *
                                3];
            if (picture.transparent && from[0] == picture.blue && from[1] == picture.green &&
                from[2] == picture.red)
                continue;
            std::uint8_t* to =
                &m_composed
                     .pixels[(std::size_t(y) * std::size_t(m_composed.width) + std::size_t(x)) * 3];
            std::copy(from, from + 3, to);
        }
}

bool TourModel::showElementPicture(int element, int picture) {
    if (element < 0 || std::size_t(element) >= m_elements.size())
        return false;
    const Element& e = m_elements[std::size_t(element)];
    if (picture < 0 || std::size_t(picture) >= e.pictures.size() ||
        e.pictures[std::size_t(picture)].width <= 0)
        return false;
    const xwin::Rect area = e.rect().intersected({0, 0, m_composed.width, m_composed.height});
    for (int y = area.top; y < area.bottom; ++y) {
        const std::size_t start =
            (std::size_t(y) * std::size_t(m_composed.width) + std::size_t(area.left)) * 3;
        std::copy_n(m_pristine.pixels.begin() + std::ptrdiff_t(start),
                    std::size_t(area.width()) * 3,
                    m_composed.pixels.begin() + std::ptrdiff_t(start));
    }
    layPicture(e, e.pictures[std::size_t(picture)]);
    return true;
}

int TourModel::findElement(std::int32_t type) const {
    for (std::size_t i = 0; i < m_elements.size(); ++i)
        if (m_elements[i].record.type == type)
            return int(i);
    return -1;
}

xwin::Rect TourModel::viewRect() const {
    return m_view >= 0 ? m_elements[std::size_t(m_view)].rect() : xwin::Rect();
}

std::vector<xwin::Rect> TourModel::windowShape() const {
    if (m_background >= 0) {
        const Element& background = m_elements[std::size_t(m_background)];
        if (background.record.state == kStateUpDown && background.pictures.size() > 1 &&
            background.pictures[1].width > 0)
            return shapeFromMask(background.pictures[1]);
    }
    // Our window has no frame of its own, so the plain shape is the whole window.
    return {xwin::Rect{0, 0, kWindowWidth, kWindowHeight}};
}

void TourModel::setAlbum(TourAlbum album) {
    m_title = std::move(album.title);
    m_info = informationLines(album.info);
    m_pictures = std::move(album.pictures);
    m_selected = 0;
    m_firstRow = 0;
    m_displayed = -1;
    m_decoded.clear();
}

bool TourModel::select(int index) {
    if (m_pictures.empty())
        return false;
    m_selected = std::clamp(index, 0, pictureCount() - 1);
    return true;
}

bool TourModel::selectNext() {
    if (m_pictures.empty())
        return false;
    m_selected = m_selected + 1 >= pictureCount() ? 0 : m_selected + 1;
    return true;
}

bool TourModel::selectPrevious() {
    if (m_pictures.empty())
        return false;
    m_selected = m_selected <= 0 ? pictureCount() - 1 : m_selected - 1;
    return true;
}

bool TourModel::scrollList(int step) {
    const int row = scrolledFirstRow(m_firstRow, step, pictureCount());
    if (row == m_firstRow)
        return false;
    m_firstRow = row;
    return true;
}

bool TourModel::pickListRow(int y) {
    const int frame = findElement(kTypeFrame);
    if (frame < 0)
        return false;
    const int index =
        listPick(y, m_elements[std::size_t(frame)].record.top, m_firstRow, pictureCount());
    return index >= 0 && select(index);
}

void TourModel::setDisplayed(int index, PixelImage pixels) {
    m_displayed = index;
    m_decoded = std::move(pixels);
}

}  // namespace orbpix::tourviewer
