#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/ElevationLimits.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/PixelImage.h"

namespace orbpix {

// Where a viewer standing in the middle of a panorama strip looks, and through which lens.
// Pitch and yaw in degrees (a positive pitch looks below the horizon), focal length in pixels.
struct ViewAngles {
    float pitch = 0;
    float yaw = 0;
    int focal = 0;
};

// Draws the perspective view of a panorama strip (columns once around the horizon, rows
// covering 90 degrees of elevation) into a window-sized output, in integer arithmetic on a
// grid of exact rays every 8 pixels with the pixels between interpolated.
//
// The setters may be called from one thread while another renders: the view and the colour
// settings are read once at the start of each frame, under a short lock of their own.
class PanoramaProjector {
public:
    PanoramaProjector();
    PanoramaProjector(const PanoramaProjector&) = delete;
    PanoramaProjector& operator=(const PanoramaProjector&) = delete;
    virtual ~PanoramaProjector();

    // The output becomes width rounded up to 16 by height rounded up to 8, with a grid node
    // every 8 pixels. A size the output cannot take leaves no output.
    virtual void resize(int width, int height);
    virtual void start() {}
    virtual void stop() {}
    virtual bool hasSource() const;
    virtual void requestRender() {}

    // Stored as given: bounds are the view control's business.
    virtual void setView(float pitch, float yaw, int focal, bool redraw);
    virtual void moveView(float pitchChange, float yawChange, int focalChange);
    // Pixels are 32-bit blue-green-red values, top row first. With copy the projector keeps
    // its own copy; otherwise the caller keeps the pixels alive until the source changes.
    // No pixels (or an impossible size) clears the source; that returns false for a size.
    virtual bool setSource(const std::uint8_t* pixels, int width, int height, bool copy);

    virtual void resetColour();
    virtual void setBrightnessContrast(int brightness, int contrast);
    virtual void setSaturation(int value);
    virtual void enableToneTable(bool on);
    virtual void enableMatrix(bool on);
    virtual void applyToneTable();
    virtual void applyMatrix();
    virtual void applyToneTableThenMatrix();

    // Draws the current view into the output: 0, or −1 without output or source.
    virtual int render();
    // The same frame with the active colour passes applied band by band while the pixels are
    // still in the cache: the bytes of render() followed by applyActiveColour().
    int renderWithColour();

    // The elevations of the strip's top and bottom rows in degrees (the normal limits
    // unless the owner says otherwise); the view's pitch is kept between them.
    void setLimits(int top, int bottom);
    int topLimit() const;
    int bottomLimit() const;
    void setReverse(bool on);
    bool isReverse() const;

    ViewAngles view() const;
    // The pitch a frame of the current output shows: the view's, moved back where the frame
    // would reach past the strip's top or bottom row.
    float shownPitch() const;
    int outputWidth() const { return m_output.width(); }
    int outputHeight() const { return m_output.height(); }
    int gridColumns() const { return m_gridColumns; }
    int gridRows() const { return m_gridRows; }
    const PixelImage& output() const { return m_output; }
    ColourAdjuster colour() const;

    // Applies whichever colour passes are switched on, as a finished frame gets them.
    void applyActiveColour();

protected:
    virtual void releaseOutput();
    virtual void createOutput(int width, int height);

    struct Settings {
        ViewAngles view;
        ElevationLimits limits = kNormalElevation;
        bool reverse = false;
        ColourAdjuster colour;
    };

    // One frame's view, fixed when the frame starts, and what every band of it needs.
    struct FramePlan {
        Settings settings;
        bool colour = false;  // apply the active colour passes to each band
        std::int64_t h2 = 0, n = 0, F = 0, C = 0, S = 0, Y = 0, rowTop = 0, rowMax = 0;
    };
    // Fixes the frame's view; false without output or source.
    bool planFrame(FramePlan& plan, bool colour) const;
    // Cell rows a frame has: its bands split them.
    int cellRows() const { return m_gridRows - 1; }
    // Draws cell rows [first, end) of the planned frame into the output (turned half round
    // for a reversed view), with the colour passes when the plan asks for them. Bands that
    // do not overlap may be drawn at the same time on different threads, each with its own
    // workspace index (0 or 1).
    void drawBand(const FramePlan& plan, int first, int end, int workspace);

    PixelImage m_output;

private:
    // The exact rays of one band: its grid rows, the last shared with the next band.
    struct BandGrid {
        std::unique_ptr<std::int64_t[]> column;  // source column × 4096 per node
        std::unique_ptr<std::int64_t[]> row;     // source row × 4096 per node
    };
    Settings settings() const;
    static float pitchWithinLimits(const Settings& s, int outputHeight);
    void computeGrid(const FramePlan& plan, int first, int end, BandGrid& grid) const;
    template <bool Reverse>
    void fillCells(const FramePlan& plan, int first, int end, const BandGrid& grid);

    mutable std::mutex m_settingsLock;
    Settings m_settings;

    const std::uint8_t* m_source = nullptr;
    PixelImage m_ownedSource;
    int m_sourceWidth = 0;
    int m_sourceHeight = 0;
    bool m_ownsSource = false;

    int m_gridColumns = 0;
    int m_gridRows = 0;
    BandGrid m_grids[2];
};

// Rounds a size up the way the projector does: width to a multiple of 16, height to 8.
inline int roundViewWidth(int width) {
    return (width + 15) & ~15;
}
inline int roundViewHeight(int height) {
    return (height + 7) & ~7;
}

}  // namespace orbpix
