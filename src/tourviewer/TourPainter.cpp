#include "tourviewer/TourPainter.h"

#include "xwin/Text.h"

namespace orbpix::tourviewer {

namespace {

constexpr xwin::Rgb kWhite{255, 255, 255};

void copyBackground(const GifPicture& background, const xwin::ImageView& canvas,
                    const xwin::Rect& area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            std::uint8_t* to = canvas.pixel(x, y);
            if (x < background.width && y < background.height) {
                const std::uint8_t* from =
                    &background
                         .pixels[(std::size_t(y) * std::size_t(background.width) + std::size_t(x)) *
                                 3];
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            } else {
                to[0] = to[1] = to[2] = 0;
            }
            to[3] = 255;
        }
}

}  // namespace

void paintTour(const TourModel& model, const xwin::ImageView& canvas, const xwin::Rect& area) {
    const xwin::Rect clip = area.intersected(canvas.bounds());
    if (clip.isEmpty())
        return;
    copyBackground(model.composed(), canvas, clip);
    for (const TourModel::Element& element : model.elements()) {
        const xwin::Rect box = element.rect();
        switch (element.record.type) {
            case kTypeAlbumTitle:
                xwin::drawShadowedText(canvas, box, model.title(), kTitleTextHeight, kWhite, clip);
                break;
            case kTypePictureName:
                if (model.displayed() >= 0)
                    xwin::drawShadowedText(canvas, box, model.picture(model.displayed()).name,
                                           kNameTextHeight, kWhite, clip);
                break;
            case kTypeInfo:
                for (int i = 0; i < kInfoLineCount; ++i)
                    xwin::drawShadowedText(
                        canvas,
                        xwin::Rect::ofSize(box.left, box.top + kInfoTextHeight * i, box.width(),
                                           kInfoTextHeight),
                        model.infoLines()[std::size_t(i)], kInfoTextHeight, kWhite, clip);
                break;
            case kTypeFrame:
                for (int r = 0; r < kListRows && model.firstRow() + r < model.pictureCount(); ++r)
                    xwin::drawShadowedText(
                        canvas,
                        xwin::Rect::ofSize(box.left, box.top + kListRowHeight * r, box.width(),
                                           kListTextHeight),
                        model.picture(model.firstRow() + r).name, kListTextHeight, kWhite, clip);
                break;
            default:
                break;
        }
    }
}

PixelImage iconOf(const GifPicture& picture) {
    PixelImage icon;
    if (picture.pixels.size() < std::size_t(picture.width) * std::size_t(picture.height) * 3 ||
        !icon.allocate(picture.width, picture.height))
        return icon;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint8_t* from =
                &picture.pixels[(std::size_t(y) * std::size_t(picture.width) + std::size_t(x)) * 3];
            std::uint8_t* to = icon.pixel(x, y);
            const bool clear = picture.transparent && from[0] == picture.blue &&
                               from[1] == picture.green && from[2] == picture.red;
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
            to[3] = clear ? 0 : 255;
        }
    return icon;
}

}  // namespace orbpix::tourviewer
