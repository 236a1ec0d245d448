#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/PixelImage.h"
#include "tourfmt/GifDecoder.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"
#include "xwin/Geometry.h"

namespace orbpix::tourviewer {

using MessageSink = std::function<void(const std::string& message)>;

inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 480;
inline constexpr int kListRows = 7;
inline constexpr int kListRowHeight = 20;
inline constexpr int kInfoLineCount = 5;

inline constexpr const char* kNoTourMessage = "Ressource OrbTour not found";
inline constexpr const char* kFileNotFoundMessage = "file not found ";
inline constexpr const char* kNoTemporaryCopyMessage = "file not found .orb";
inline constexpr const char* kAlbumUnreadableMessage = "The tour album cannot be read";
inline constexpr const char* kJpegOutOfMemoryMessage = "JpegFile :\nOut of memory";
inline constexpr const char* kTemporaryAlbumName = "album.orb";

// The album's five information lines: the author's name, the first three lines of the
// address (line ends are CR LF or LF; "..." ends the third when more follow) and the home
// page.
std::array<std::string, kInfoLineCount> informationLines(const std::optional<TourInfo>& info);

// Whether the information line is a web address the viewer may open: "http://" or
// "https://" in any case, followed by at least one more character.
bool isHomePageLink(std::string_view line);

// The window shape a mask picture gives: every vertical run of pixels that differ from the
// mask's transparent colour, with runs that repeat in neighbouring columns merged into one
// wider rectangle (the union is the same). A mask without a transparent colour shapes
// nothing away.
std::vector<xwin::Rect> shapeFromMask(const GifPicture& mask);

// The first visible row after scrolling by one row up (-1) or down (+1): lists of at most
// seven pictures never scroll, longer ones keep 0 … count − 7.
int scrolledFirstRow(int firstRow, int step, int pictureCount);

// The picture a click at window row y in a list whose top is listTop picks, kept within the
// list; -1 for an empty list.
int listPick(int y, int listTop, int firstRow, int pictureCount);

// Everything a tour shows: the skin's elements with their decoded pictures, the background
// composed from them, the album's texts and pictures, and which picture is selected, shown
// and first in the list.
class TourModel {
public:
    struct Element {
        TourElement record;
        std::vector<GifPicture> pictures;  // decoded, as many as decoded cleanly
        xwin::Rect rect() const {
            return xwin::Rect::ofSize(record.left, record.top, record.width, record.height);
        }
        bool hasPictures() const { return !pictures.empty(); }
    };

    // Reads the tour carried at the end of the program file, composes the background and
    // reads the album through a temporary copy in a private folder under temporaryFolder,
    // which is removed again. Messages for the user go to show, naming the program as
    // programName (the path when empty). False when there is no tour; the caller then says so.
    [[nodiscard]] bool load(const std::string& programPath, const std::string& temporaryFolder,
                            const MessageSink& show, const std::string& programName = {});

    // The pieces of load, for a skin and an album that are at hand already.
    void setSkin(const std::vector<TourElement>& elements,
                 const GifDecoder& decoder = GifDecoder());
    void setAlbum(TourAlbum album);

    const std::vector<Element>& elements() const { return m_elements; }
    int backgroundIndex() const { return m_background; }
    int viewIndex() const { return m_view; }
    // The first element of the type, or -1.
    int findElement(std::int32_t type) const;
    xwin::Rect viewRect() const;

    // 24-bit blue-green-red pictures, top row first: the background with every button's
    // normal picture on it, and the background as it came.
    const GifPicture& composed() const { return m_composed; }
    const GifPicture& pristine() const { return m_pristine; }
    // Puts an element's picture on the composed background: the element's area first goes
    // back to the pristine background, then the picture is laid on it without its
    // transparent pixels. False (and nothing changed) when the element lacks the picture.
    bool showElementPicture(int element, int picture);

    // The window's shape: the background mask's runs, or the whole window.
    std::vector<xwin::Rect> windowShape() const;

    const std::string& title() const { return m_title; }
    const std::array<std::string, kInfoLineCount>& infoLines() const { return m_info; }
    int pictureCount() const { return int(m_pictures.size()); }
    const TourPicture& picture(int index) const { return m_pictures[std::size_t(index)]; }

    int selected() const { return m_selected; }
    // Selects a picture, kept within the album; false for an empty album.
    bool select(int index);
    // The next or previous picture, wrapping at both ends.
    bool selectNext();
    bool selectPrevious();

    int firstRow() const { return m_firstRow; }
    // True when the list moved.
    bool scrollList(int step);
    // Selects the picture at window row y of the list element; false without one.
    bool pickListRow(int y);

    // The decoded picture on show (32-bit, opaque) and which album picture it is (-1: none).
    int displayed() const { return m_displayed; }
    const PixelImage& displayedPixels() const { return m_decoded; }
    // Takes over a freshly decoded picture; the previous one is released.
    void setDisplayed(int index, PixelImage pixels);

private:
    void compose();
    void layPicture(const Element& element, const GifPicture& picture);

    std::vector<Element> m_elements;
    int m_background = -1;
    int m_view = -1;
    GifPicture m_composed;
    GifPicture m_pristine;

    std::string m_title;
    std::array<std::string, kInfoLineCount> m_info;
    std::vector<TourPicture> m_pictures;
    int m_selected = 0;
    int m_firstRow = 0;
    int m_displayed = -1;
    PixelImage m_decoded;
};

}  // namespace orbpix::tourviewer
