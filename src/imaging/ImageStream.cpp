#include "imaging/ImageStream.h"

#include "imaging/JpegWriter.h"
#include "imaging/PixelImage.h"

namespace orbpix {

bool writeImage(const PixelImage& image, ByteStream& stream, ImageStreamForm form, int quality) {
    switch (form) {
        case ImageStreamForm::Jpeg:
            return encodeJpeg(image, stream, quality);
        case ImageStreamForm::Raw:
            break;
    }
    return writeRawImage(image, stream);
}

}  // namespace orbpix
