#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/LensCircle.h"

namespace orbpix {

class PixelImage;

struct EdgePoint {
    float x = 0;
    float y = 0;
    bool operator==(const EdgePoint&) const = default;
};

// A circle through three edge points together with the edge points that lie near it.
struct CandidateCircle {
    LensCircle circle;
    float distanceSum = 0;
    int supportCount = 0;
    std::vector<EdgePoint> support;
};

// Inner radius of the lens as a fraction of the outer one.
inline constexpr double kInnerRadiusRatio = 0.2277724846671251;
// Detection runs on the picture fitted into this box.
inline constexpr int kDetectionBox = 800;

// Luminance used throughout detection: (6g + 3r + b) / 10.
inline int detectionLuminance(int b, int g, int r) {
    return (6 * g + 3 * r + b) / 10;
}

// Halfway between the darkest populated level (the most frequent of levels 0..99) and the
// mean level.
int detectionThreshold(const PixelImage& image);

// Casts the twelve rays (three from each side, left, right, top, bottom) and returns the
// edge points they hit, in that order.
std::vector<EdgePoint> findEdgePoints(const PixelImage& image, int threshold);

// The circle through three points, or nothing when two coincide or all three are collinear.
std::optional<LensCircle> circleThrough(EdgePoint p1, EdgePoint p2, EdgePoint p3);

// The best supported circle through any three of the points (most support, then the
// smallest distance sum, then the earliest), with its support; nothing when no triple
// defines a circle.
std::optional<CandidateCircle> bestCandidate(const std::vector<EdgePoint>& points);

// Finds the outer edge of the bright ring and derives the inner circle from it. Nothing
// when fewer than six edge points support the best circle.
std::optional<RingCircles> detectRingCircles(const PixelImage& image);

// The "CIRCLES" text stored when detection fails on a full-size picture of w × h pixels:
// centre (w/2, h/2), radii 0.1 and 0.45 times the shorter side.
std::string defaultCirclesText(int w, int h);

// Scales circles found on a fitted picture back to the full-size one.
RingCircles scaleRingCircles(const RingCircles& circles, double factor);

}  // namespace orbpix
