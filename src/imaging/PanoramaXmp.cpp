#include "imaging/PanoramaXmp.h"

#include <cmath>

#include "core/BinaryReader.h"

namespace orbpix {

namespace {

constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // with its terminating zero
constexpr std::size_t kMaxSegmentBody = 65533;

}  // namespace

PanoramaXmpFields panoramaXmpFields(int width, int height, ElevationLimits limits) {
    PanoramaXmpFields fields;
    fields.fullWidth = width;
    fields.fullHeight = width / 2;
    fields.croppedWidth = width;
    fields.croppedHeight = height;
    // The sphere runs from 90 degrees above the horizon down to 90 below over its height;
    // the strip's first row lies at its top angle.
    fields.croppedTop =
        static_cast<int>(std::lround(double(90 - limits.top) * double(fields.fullHeight) / 180.0));
    return fields;
}

std::string panoramaXmp(const PanoramaXmpFields& f) {
    const auto field = [](const char* name, const std::string& value) {
        return std::string("   <GPano:") + name + ">" + value + "</GPano:" + name + ">\n";
    };
    const auto number = [&](const char* name, int value) {
        return field(name, std::to_string(value));
    };
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:GPano=\"http://ns.google.com/photos/1.0/panorama/\">\n" +
           field("ProjectionType", "equirectangular") + field("UsePanoramaViewer", "True") +
           field("StitchingSoftware", "OrbPix") + number("FullPanoWidthPixels", f.fullWidth) +
           number("FullPanoHeightPixels", f.fullHeight) +
           number("CroppedAreaImageWidthPixels", f.croppedWidth) +
           number("CroppedAreaImageHeightPixels", f.croppedHeight) +
           number("CroppedAreaLeftPixels", f.croppedLeft) +
           number("CroppedAreaTopPixels", f.croppedTop) + number("InitialViewHeadingDegrees", 0) +
           number("InitialViewPitchDegrees", 0) + number("InitialHorizontalFOVDegrees", 90) +
           "  </rdf:Description>\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n"
           "<?xpacket end=\"w\"?>";
}

std::optional<std::vector<std::uint8_t>> withXmpPacket(std::span<const std::uint8_t> jpeg,
                                                       const std::string& xmp) {
    const std::size_t body = sizeof(kXmpSignature) + xmp.size();
    BinaryReader reader(jpeg);
    std::uint16_t start = 0;
    if (body > kMaxSegmentBody || jpeg.size() < 4 || !reader.readU16BE(start) || start != 0xFFD8)
        return std::nullopt;
    // After the start of image and a JFIF segment, which readers expect to come first.
    std::size_t at = 2;
    std::uint16_t marker = 0;
    BinaryReader peek = reader;
    if (peek.readU16BE(marker) && marker == 0xFFE0) {
        std::uint16_t length = 0;
        if (!peek.readU16BE(length) || length < 2 || !peek.skip(length - 2u))
            return std::nullopt;
        at = jpeg.size() - peek.remaining();
    }
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(at));
    const std::size_t length = body + 2;
    out.insert(out.end(), {0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length)});
    out.insert(out.end(), kXmpSignature, kXmpSignature + sizeof(kXmpSignature));
    out.insert(out.end(), xmp.begin(), xmp.end());
    out.insert(out.end(), jpeg.begin() + std::ptrdiff_t(at), jpeg.end());
    return out;
}

}  // namespace orbpix
