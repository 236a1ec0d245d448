#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/ElevationLimits.h"
#include "imaging/LensCircle.h"
#include "imaging/PixelImage.h"

namespace orbpix {

// An unwrapped ring: the panorama strip with the histograms counted while sampling it.
struct PanoramaResult {
    PixelImage image;
    // Both unwrappers report the normal limits, whatever range they sampled.
    std::int32_t topAngle = kNormalElevation.top;
    std::int32_t bottomAngle = kNormalElevation.bottom;
    std::array<std::int32_t, 256> luminance{};
    std::array<std::int32_t, 256> chroma{};
};

// Called after each percent of a synchronous unwrap; returning true cancels it.
using UnwrapProgress = std::function<bool()>;

// Whether both circles are present and lie inside a picture of w × h pixels.
bool circlesInsideImage(const LensCircle* outer, const LensCircle* inner, int w, int h);

// Height of the preview strip for an outer radius: trunc(r·π/2), at most 800 rows.
int previewHeight(float outerRadius);

// The one rule for every path that unwraps a picture: both circles inside the picture and a
// ring wide enough to give at least one row of panorama. A smaller ring would be stretched
// into a panorama of a single colour.
bool ringCanBeUnwrapped(const RingCircles& circles, int w, int h);

// Histogram indices of one output pixel.
inline int luminanceIndex(int b, int g, int r) {
    return (b + 3 * r + 6 * g) / 10;
}
inline int chromaIndex(int b, int g, int r) {
    return (7 * b + r - 8 * g) / 16 + 128;
}

// Turns both histograms into cumulative ones scaled to 0..255, as the automatic colour
// correction reads them.
void makeCumulativeHistograms(PanoramaResult& result);

struct UnwrapJob;

// Unwraps a ring photograph into a panorama strip whose columns run once around the
// circle and whose rows run from the top angle (on the inner circle) down to the bottom
// angle (towards the outer circle).
class PanoramaUnwrapper {
public:
    PanoramaUnwrapper();
    virtual ~PanoramaUnwrapper();

    // Runs a background job to its end on the calling thread (the worker's).
    virtual void runBackground(UnwrapJob& job);

    // Unwraps src into a width × height strip with raw histograms. Nothing when the
    // circles are missing or leave the picture, when progress cancels, or when the abort
    // flag is raised meanwhile. A finished result handed back as reuse lends its pixel block
    // to the new strip, which spares a caller that unwraps one picture after another the
    // allocation and first-touch cost of a fresh block each time.
    virtual std::unique_ptr<PanoramaResult> unwrap(const PixelImage& src, const LensCircle* outer,
                                                   const LensCircle* inner, int width, int height,
                                                   const UnwrapProgress& progress,
                                                   std::unique_ptr<PanoramaResult> reuse = {});

    virtual void setAngles(int bottom, int top);

    // With more than one thread, a helper sweeps half the ring while the calling thread sweeps
    // the other half and reports; the strip and histograms are the same either way. One
    // thread unless asked; the background worker uses two on a machine with more cores.
    void setThreads(int count) { m_threads = count; }

    int bottomAngle() const { return m_bottom; }
    int topAngle() const { return m_top; }

    // The lens profile P(θ), θ in degrees.
    double lensProfile(double theta) const;

protected:
    enum class Direction { Normal, Reverse };
    PanoramaUnwrapper(Direction direction, int bottom, int top);

    // Lays out the row radii and the column trigonometry shared by both unwrap forms.
    struct Plan;

    std::unique_ptr<PanoramaResult> unwrapRows(const PixelImage& src, const LensCircle& inner,
                                               float outerRadius, int width, int height,
                                               const std::function<bool(int row)>& afterRow,
                                               std::unique_ptr<PanoramaResult> reuse = {}) const;

private:
    Direction m_direction;
    int m_bottom;
    int m_top;
    int m_threads = 1;
    double m_coefficients[4] = {7.2123, -0.1379, 0.0005, 0.000002};
};

// For a lens mounted upside down: rows run upwards from the outer circle and the columns
// are mirrored.
class ReverseUnwrapper : public PanoramaUnwrapper {
public:
    ReverseUnwrapper();
};

// Raises the abort flag that a synchronous unwrap checks after every row. Stopping the
// background worker raises it; a synchronous unwrap lowers it when it starts.
void requestUnwrapAbort();

}  // namespace orbpix
