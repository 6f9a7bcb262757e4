// Rendering the fixed calibration pattern sets.
#include <initializer_list>

#include "spectrum/frame_geometry.h"
#include "spectrum/zelspec_patterns.h"

namespace {

struct Sweep {
    int first_column;
    int last_column;
    int band_width;
    int step;
};

Sweep sweep_of(int kind)
{
    switch (kind) {
    case 2:
        return {0, ZELSPEC_LAST_COLUMN, 6, 4};
    case 3:
        return {0, ZELSPEC_LAST_COLUMN, 4, 4};
    case 4: case 5: case 6: case 7:
        return {0, 430, 5, 1};
    default:
        return {427, ZELSPEC_LAST_COLUMN, 5, 1};
    }
}

constexpr int half_band_width = 255;
constexpr int half_band_step = 284;

// Draws bands into bit planes from plane 0 of the caller's first image, advancing the caller's
// descriptor past every completed image.
class CalibPlanes {
public:
    explicit CalibPlanes(frameBuffer &fb) : fb_(fb), per_image_(zelspec::patterns_per_image(fb)) {}

    bool has_room() const { return image_ < fb_.num_frames; }

    // One band with its left column at x; bands are cut at the image's right edge.
    void draw(int x, int width, uint32_t y, uint32_t height)
    {
        if (drawn_ % per_image_ == 0) {
            const rect clear{0, 0, fb_.width, fb_.height, 0};
            zelspec_fb_fill_rect(&clear, &fb_, true);
        }
        rect band{0, y, 0, height, static_cast<int32_t>(1u << (drawn_ % per_image_))};
        if (zelspec::band_in_image(x + width / 2, width, fb_.width, band))
            zelspec_fb_fill_rect(&band, &fb_, false);
        ++drawn_;
    }

    void complete_if_full()
    {
        if (drawn_ % per_image_ != 0)
            return;
        fb_.data += zelspec::image_bytes(fb_);
        ++image_;
    }

    int32_t drawn() const { return drawn_; }

private:
    frameBuffer &fb_;
    uint32_t per_image_;
    int32_t image_ = 0;
    int32_t drawn_ = 0;
};

}  // namespace

extern "C" int32_t zelspec_pattern_calib_to_fb(int32_t kind, frameBuffer *fb)
{
    if (fb == nullptr || fb->data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (kind < 2 || kind > 11)
        return ZELSPEC_ERROR_SCAN_TYPE;
    if (!zelspec::frame_geometry_ok(*fb))
        return ZELSPEC_ERROR_INVALID_INPUT;
    CalibPlanes planes(*fb);
    if (!planes.has_room())
        return 0;
    if (kind == 3) {
        // Six half-height bands in planes 0..5 of the first image: upper halves, then lower
        // halves from the middle row, so that any height stays inside the image.
        const uint32_t half = fb->height / 2;
        for (uint32_t y : {0u, half})
            for (int x = 0; x <= ZELSPEC_LAST_COLUMN + 1 - half_band_width; x += half_band_step)
                planes.draw(x, half_band_width, y, half);
    }
    const Sweep sweep = sweep_of(kind);
    for (int x = sweep.first_column; x <= sweep.last_column + 1 - sweep.band_width;
         x += sweep.step) {
        planes.draw(x, sweep.band_width, 0, fb->height);
        planes.complete_if_full();
        if (!planes.has_room())
            break;
    }
    return planes.drawn();
}
