#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace orbpix::xwin {

// A rectangle of window pixels; right and bottom lie just outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static Rect ofSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect intersected(const Rect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect united(const Rect& other) const {
        if (isEmpty())
            return other;
        if (other.isEmpty())
            return *this;
        return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                std::max(bottom, other.bottom)};
    }
    bool operator==(const Rect&) const = default;
};

// Borrowed 32-bit pixels (blue, green, red, a fourth byte), top row first.
struct ImageView {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;  // bytes from one row to the next

    std::uint8_t* pixel(int x, int y) const {
        return bits + std::size_t(y) * stride + std::size_t(x) * 4;
    }
    Rect bounds() const { return {0, 0, width, height}; }
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct ConstImageView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;

    ConstImageView() = default;
    ConstImageView(const std::uint8_t* b, int w, int h, std::size_t s)
        : bits(b), width(w), height(h), stride(s) {}
    ConstImageView(const ImageView& view)  // NOLINT: a writable view is readable too
        : bits(view.bits), width(view.width), height(view.height), stride(view.stride) {}
    const std::uint8_t* pixel(int x, int y) const {
        return bits + std::size_t(y) * stride + std::size_t(x) * 4;
    }
    Rect bounds() const { return {0, 0, width, height}; }
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

}  // namespace orbpix::xwin
