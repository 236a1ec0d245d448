#include "imaging/CircleDetector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "imaging/PixelImage.h"

namespace orbpix {

namespace {

int luminanceAt(const PixelImage& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    return detectionLuminance(p[0], p[1], p[2]);
}

bool brightAt(const PixelImage& image, int x, int y, int threshold) {
    // A probe beyond the picture sees nothing bright; only tiny pictures get there.
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return false;
    return luminanceAt(image, x, y) >= threshold;
}

struct Ray {
    int x, y;    // start
    int dx, dy;  // step
    int xMin, xMax, yMin, yMax;
};

std::optional<EdgePoint> castRay(const PixelImage& image, const Ray& ray, int threshold) {
    int x = ray.x;
    int y = ray.y;
    // Across the ray: above and below for horizontal rays, left and right for vertical ones.
    const int ax = ray.dy != 0 ? 1 : 0;
    const int ay = ray.dx != 0 ? 1 : 0;
    while (x >= ray.xMin && x <= ray.xMax && y >= ray.yMin && y <= ray.yMax) {
        const int nx = x + ray.dx;
        const int ny = y + ray.dy;
        if (brightAt(image, x, y, threshold) && brightAt(image, nx, ny, threshold) &&
            brightAt(image, nx - ax, ny - ay, threshold) &&
            brightAt(image, nx + ax, ny + ay, threshold))
            return EdgePoint{static_cast<float>(x), static_cast<float>(y)};
        x = nx;
        y = ny;
    }
    return std::nullopt;
}

}  // namespace

int detectionThreshold(const PixelImage& image) {
    std::array<std::int64_t, 256> histogram{};
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t* p = image.row(y);
        for (int x = 0; x < image.width(); ++x, p += 4)
            ++histogram[detectionLuminance(p[0], p[1], p[2])];
    }
    int darkest = 0;
    for (int i = 1; i < 100; ++i)
        if (histogram[i] > histogram[darkest])
            darkest = i;
    std::int64_t total = 0;
    std::int64_t weighted = 0;
    for (int i = 0; i < 256; ++i) {
        total += histogram[i];
        weighted += histogram[i] * i;
    }
    const int mean = total == 0 ? 0 : static_cast<int>(weighted / total);
    return (darkest + mean) / 2;
}

std::vector<EdgePoint> findEdgePoints(const PixelImage& image, int threshold) {
    const int w = image.width();
    const int h = image.height();
    std::vector<Ray> rays;
    for (int k = 0; k < 3; ++k)
        rays.push_back({5, h / 4 + (k * h) / 5, 1, 0, 5, w / 2 + 5, 5, h - 5});
    for (int k = 0; k < 3; ++k)
        rays.push_back({w - 5, h / 4 + (k * h) / 5, -1, 0, w / 2 - 5, w - 5, 5, h - 5});
    for (int k = 0; k < 3; ++k)
        rays.push_back({w / 4 + (k * w) / 5, 5, 0, 1, 5, w - 5, 5, h / 2 - 5});
    for (int k = 0; k < 3; ++k)
        rays.push_back({w / 4 + (k * w) / 5, h - 5, 0, -1, 5, w - 5, h / 2 - 5, h - 5});

    std::vector<EdgePoint> points;
    for (const Ray& ray : rays)
        if (auto point = castRay(image, ray, threshold))
            points.push_back(*point);
    return points;
}

std::optional<LensCircle> circleThrough(EdgePoint p1, EdgePoint p2, EdgePoint p3) {
    if (p1 == p2 || p1 == p3 || p2 == p3)
        return std::nullopt;
    // x² + y² + D·x + E·y + F = 0 through the three points, by Cramer's rule. The squared
    // terms are single precision, everything else extended.
    using Real = long double;
    const float s1 = p1.x * p1.x + p1.y * p1.y;
    const float s2 = p2.x * p2.x + p2.y * p2.y;
    const float s3 = p3.x * p3.x + p3.y * p3.y;
    const Real x1 = p1.x, y1 = p1.y, x2 = p2.x, y2 = p2.y, x3 = p3.x, y3 = p3.y;
    const Real b1 = -Real{s1}, b2 = -Real{s2}, b3 = -Real{s3};
    const Real det = x1 * (y2 - y3) - y1 * (x2 - x3) + (x2 * y3 - x3 * y2);
    if (std::fabs(det) <= Real{1e-5})
        return std::nullopt;
    const Real d = (b1 * (y2 - y3) - y1 * (b2 - b3) + (b2 * y3 - b3 * y2)) / det;
    const Real e = (x1 * (b2 - b3) - b1 * (x2 - x3) + (x2 * b3 - x3 * b2)) / det;
    const Real squared = (d * d + e * e) / 4 + Real{s1} + d * x1 + e * y1;
    if (!(squared > 0))
        return std::nullopt;
    return LensCircle{static_cast<float>(-d / 2), static_cast<float>(-e / 2),
                      static_cast<float>(std::sqrt(squared))};
}

std::optional<CandidateCircle> bestCandidate(const std::vector<EdgePoint>& points) {
    std::optional<CandidateCircle> best;
    int bestCount = -1;
    float bestSum = 2000000.0f;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            for (std::size_t k = j + 1; k < n; ++k) {
                const auto circle = circleThrough(points[i], points[j], points[k]);
                if (!circle)
                    continue;
                CandidateCircle candidate{*circle, 0.0f, 0, {}};
                for (const EdgePoint& p : points) {
                    const float dx = circle->cx - p.x;
                    const float dy = circle->cy - p.y;
                    const float distance = std::fabs(std::sqrt(dx * dx + dy * dy) - circle->radius);
                    if (distance < 3.0f) {
                        candidate.support.push_back(p);
                        ++candidate.supportCount;
                        candidate.distanceSum += distance;
                    }
                }
                if (candidate.supportCount > bestCount ||
                    (candidate.supportCount == bestCount && candidate.distanceSum < bestSum)) {
                    bestCount = candidate.supportCount;
                    bestSum = candidate.distanceSum;
                    best = std::move(candidate);
                }
            }
    return best;
}

std::optional<RingCircles> detectRingCircles(const PixelImage& image) {
    const std::vector<EdgePoint> points = findEdgePoints(image, detectionThreshold(image));
    if (points.size() < 3)
        return std::nullopt;
    const auto best = bestCandidate(points);
    if (!best || best->supportCount < 6)
        return std::nullopt;
    RingCircles circles;
    circles.outer = best->circle;
    circles.inner = best->circle;
    circles.inner.radius = static_cast<float>(best->circle.radius * kInnerRadiusRatio);
    return circles;
}

std::string defaultCirclesText(int w, int h) {
    // The factors are single-precision constants whose products are formed in double and
    // truncated only when written: 0.45f × 1200 gives 539, where a float product would
    // round up to 540.
    const double shorter = std::min(w, h);
    const double inner = std::trunc(double{0.1f} * shorter);
    const double outer = std::trunc(double{0.45f} * shorter);
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", w / 2, h / 2, static_cast<int>(inner),
                  static_cast<int>(outer));
    return text;
}

RingCircles scaleRingCircles(const RingCircles& circles, double factor) {
    auto scale = [factor](const LensCircle& c) {
        return LensCircle{static_cast<float>(c.cx * factor), static_cast<float>(c.cy * factor),
                          static_cast<float>(c.radius * factor)};
    };
    return {scale(circles.inner), scale(circles.outer)};
}

}  // namespace orbpix
