#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vokalin {

// Pixels as 0x00BBGGRR colours (red in the lowest byte), row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool empty() const { return width <= 0 || height <= 0 || pixels.empty(); }
};

// The drawing surface draw_spectrum paints on. A GUI adapter wraps a canvas
// control; ImageCanvas keeps the pixels in memory.
class Canvas {
  public:
    static constexpr int GRADIENT_HORIZONTAL = 0;  // left to right
    static constexpr int GRADIENT_VERTICAL = 1;    // top to bottom

    virtual ~Canvas() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual bool has_background_picture() const = 0;

    // An off-screen canvas of the same size and properties (background picture
    // included), to draw a frame on before it is shown.
    virtual std::shared_ptr<Canvas> make_private_copy() const = 0;

    // Back to the background: the background picture, or the background colour.
    virtual void clear() = 0;
    virtual void set_pen_colour(std::int32_t colour) = 0;
    // Two-colour linear gradient over the rectangle, direction as above.
    virtual void fill_gradient(int left, int top, int width, int height, std::int32_t colour1,
                               std::int32_t colour2, int direction) = 0;
    // A one-pixel line in the pen colour, both end points included; whatever
    // falls outside the canvas is clipped.
    virtual void draw_line(int x1, int y1, int x2, int y2) = 0;

    virtual Picture read_area(int left, int top, int width, int height) const = 0;
    virtual void draw_picture(int x, int y, const Picture& picture) = 0;

    // Plain copy of an area onto target at (x, y).
    virtual void copy_area_to(Canvas& target, int left, int top, int width, int height, int x,
                              int y) const {
        target.draw_picture(x, y, read_area(left, top, width, height));
    }
};

}  // namespace vokalin
