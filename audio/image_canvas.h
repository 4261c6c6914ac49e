#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/canvas.h"

namespace vokalin {

// A canvas held in memory. It also remembers the lines drawn since the last
// clear, so a caller can see what was drawn outside the visible area too.
class ImageCanvas : public Canvas {
  public:
    struct Line {
        int x1, y1, x2, y2;
        std::uint32_t colour;
        bool operator==(const Line&) const = default;
    };

    ImageCanvas(int width, int height, std::uint32_t background_colour = 0,
                Picture background_picture = {});

    int width() const override { return width_; }
    int height() const override { return height_; }
    bool has_background_picture() const override { return !background_picture_.empty(); }
    std::shared_ptr<Canvas> make_private_copy() const override;
    void clear() override;
    void set_pen_colour(std::int32_t colour) override;
    void fill_gradient(int left, int top, int width, int height, std::int32_t colour1,
                       std::int32_t colour2, int direction) override;
    void draw_line(int x1, int y1, int x2, int y2) override;
    Picture read_area(int left, int top, int width, int height) const override;
    void draw_picture(int x, int y, const Picture& picture) override;

    // 0x00BBGGRR; 0 outside the canvas
    std::uint32_t pixel(int x, int y) const;
    void fill(std::uint32_t colour);
    const std::vector<Line>& lines() const { return lines_; }

  private:
    void set_pixel(long long x, long long y, std::uint32_t colour);
    std::uint32_t pixel_at(long long x, long long y) const;

    int width_;
    int height_;
    std::uint32_t background_colour_;
    Picture background_picture_;
    std::vector<std::uint32_t> pixels_;
    std::uint32_t pen_ = 0;
    std::vector<Line> lines_;
};

}  // namespace vokalin
