#include "audio/image_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vokalin {
namespace {

std::uint32_t blend(std::uint32_t a, std::uint32_t b, long long step, long long steps) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const long long ca = (a >> shift) & 0xFF;
        const long long cb = (b >> shift) & 0xFF;
        const long long c = steps <= 0 ? ca : ca + (cb - ca) * step / steps;
        out |= static_cast<std::uint32_t>(c) << shift;
    }
    return out;
}

// Liang-Barsky clipping of a segment to the pixel centres of a width x height canvas.
bool clip(double& x1, double& y1, double& x2, double& y2, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    const double dx = x2 - x1, dy = y2 - y1;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1, width - 1 - x1, y1, height - 1 - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x1, oy = y1;
    x1 = ox + t0 * dx;
    y1 = oy + t0 * dy;
    x2 = ox + t1 * dx;
    y2 = oy + t1 * dy;
    return true;
}

}  // namespace

ImageCanvas::ImageCanvas(int width, int height, std::uint32_t background_colour,
                         Picture background_picture)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      background_colour_(background_colour & 0xFFFFFF),
      background_picture_(std::move(background_picture)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {
    if (background_picture_.pixels.size() <
        static_cast<std::size_t>(background_picture_.width) *
            static_cast<std::size_t>(std::max(background_picture_.height, 0))) {
        background_picture_ = {};
    }
    clear();
}

std::shared_ptr<Canvas> ImageCanvas::make_private_copy() const {
    return std::make_shared<ImageCanvas>(width_, height_, background_colour_, background_picture_);
}

void ImageCanvas::clear() {
    std::fill(pixels_.begin(), pixels_.end(), background_colour_);
    if (has_background_picture()) draw_picture(0, 0, background_picture_);
    lines_.clear();
}

void ImageCanvas::fill(std::uint32_t colour) {
    std::fill(pixels_.begin(), pixels_.end(), colour & 0xFFFFFF);
}

void ImageCanvas::set_pen_colour(std::int32_t colour) {
    pen_ = static_cast<std::uint32_t>(colour) & 0xFFFFFF;
}

void ImageCanvas::fill_gradient(int left, int top, int width, int height, std::int32_t colour1,
                                std::int32_t colour2, int direction) {
    const auto c1 = static_cast<std::uint32_t>(colour1) & 0xFFFFFF;
    const auto c2 = static_cast<std::uint32_t>(colour2) & 0xFFFFFF;
    const long long x0 = std::max<long long>(left, 0);
    const long long y0 = std::max<long long>(top, 0);
    const long long x1 = std::min<long long>(static_cast<long long>(left) + width, width_);
    const long long y1 = std::min<long long>(static_cast<long long>(top) + height, height_);
    for (long long y = y0; y < y1; ++y) {
        for (long long x = x0; x < x1; ++x) {
            const std::uint32_t c =
                direction == GRADIENT_VERTICAL
                    ? blend(c1, c2, y - top, static_cast<long long>(height) - 1)
                    : blend(c1, c2, x - left, static_cast<long long>(width) - 1);
            set_pixel(x, y, c);
        }
    }
}

void ImageCanvas::draw_line(int x1, int y1, int x2, int y2) {
    lines_.push_back({x1, y1, x2, y2, pen_});
    if (x1 == x2) {
        const long long from = std::max<long long>(std::min(y1, y2), 0);
        const long long to =
            std::min<long long>(std::max(y1, y2), static_cast<long long>(height_) - 1);
        for (long long y = from; y <= to; ++y) set_pixel(x1, y, pen_);
        return;
    }
    if (y1 == y2) {
        const long long from = std::max<long long>(std::min(x1, x2), 0);
        const long long to =
            std::min<long long>(std::max(x1, x2), static_cast<long long>(width_) - 1);
        for (long long x = from; x <= to; ++x) set_pixel(x, y1, pen_);
        return;
    }
    // Slanted lines: clip to the canvas first, then Bresenham over what is left.
    double ax = x1, ay = y1, bx = x2, by = y2;
    if (!clip(ax, ay, bx, by, width_, height_)) return;
    long long x = std::llround(ax), y = std::llround(ay);
    const long long ex = std::llround(bx), ey = std::llround(by);
    const long long dx = std::llabs(ex - x);
    const long long dy = -std::llabs(ey - y);
    const long long sx = x < ex ? 1 : -1;
    const long long sy = y < ey ? 1 : -1;
    long long error = dx + dy;
    for (;;) {
        set_pixel(x, y, pen_);
        if (x == ex && y == ey) break;
        const long long e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

Picture ImageCanvas::read_area(int left, int top, int width, int height) const {
    Picture picture;
    picture.width = std::max(width, 0);
    picture.height = std::max(height, 0);
    picture.pixels.resize(static_cast<std::size_t>(picture.width) *
                          static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                           static_cast<std::size_t>(x)] =
                pixel_at(static_cast<long long>(left) + x, static_cast<long long>(top) + y);
        }
    }
    return picture;
}

void ImageCanvas::draw_picture(int x, int y, const Picture& picture) {
    if (picture.empty()) return;
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            const std::size_t i =
                static_cast<std::size_t>(py) * static_cast<std::size_t>(picture.width) +
                static_cast<std::size_t>(px);
            if (i >= picture.pixels.size()) return;
            set_pixel(static_cast<long long>(x) + px, static_cast<long long>(y) + py,
                      picture.pixels[i]);
        }
    }
}

std::uint32_t ImageCanvas::pixel(int x, int y) const {
    return pixel_at(x, y);
}

std::uint32_t ImageCanvas::pixel_at(long long x, long long y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void ImageCanvas::set_pixel(long long x, long long y, std::uint32_t colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = colour;
}

}  // namespace vokalin
