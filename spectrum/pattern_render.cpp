// Column and Hadamard renderers over the shared bit-plane bookkeeping.
#include <cstring>

#include "spectrum/frame_geometry.h"
#include "spectrum/zelspec_patterns.h"

namespace {

using zelspec::band_in_image;
using zelspec::image_bytes;
using zelspec::patterns_per_image;

int32_t check_frame_buffer(const frameBuffer &fb)
{
    if (fb.data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    return zelspec::frame_geometry_ok(fb) ? ZELSPEC_PASS : ZELSPEC_ERROR_INVALID_INPUT;
}

// Walks the bit planes of a rendering run on a private copy of the descriptor: clears the area
// of an image before its first plane is drawn and moves to the next image after its last.
class BitPlanes {
public:
    BitPlanes(const frameBuffer &fb, uint32_t first, rect clear_area)
        : fb_(fb), per_image_(patterns_per_image(fb)), image_(first / per_image_),
          bit_(first % per_image_), clear_(clear_area)
    {
        if (has_room())
            fb_.data += image_ * image_bytes(fb);
    }

    // Whether the current pattern's image lies in the frame buffer.
    bool has_room() const { return image_ < static_cast<int64_t>(fb_.num_frames); }

    // The pixel value of the current pattern, after clearing a fresh image.
    int32_t begin_pattern()
    {
        if (bit_ == 0) {
            rect clear = clear_;
            clear.value = 0;
            zelspec_fb_fill_rect(&clear, &fb_, true);
        }
        return static_cast<int32_t>(1u << bit_);
    }

    void end_pattern()
    {
        if (++bit_ < per_image_)
            return;
        bit_ = 0;
        ++image_;
        if (has_room())
            fb_.data += image_bytes(fb_);
    }

    const frameBuffer &fb() const { return fb_; }

private:
    frameBuffer fb_;
    uint32_t per_image_;
    int64_t image_;
    uint32_t bit_;
    rect clear_;
};

void or_band(BitPlanes &planes, int32_t value, int64_t centre, int64_t width)
{
    rect band{0, 0, 0, 1, value};
    if (band_in_image(centre, width, planes.fb().width, band))
        zelspec_fb_fill_rect(&band, &planes.fb(), false);
}

}  // namespace

extern "C" {

int32_t zelspec_pattern_column_to_fb(const patDefC *def, const frameBuffer *fb, uint32_t first)
{
    if (def == nullptr || fb == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (def->num_patterns > ZELSPEC_MAX_COLUMN_PATTERNS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    const int32_t status = check_frame_buffer(*fb);
    if (status != ZELSPEC_PASS)
        return status;
    // Every band spans the full height, so an image that this run clears ends with all rows
    // equal: it is drawn in row 0 and row 0 is copied down. An image the run starts in the middle
    // of keeps its other rows, and gets full-height bands.
    const uint32_t per_image = patterns_per_image(*fb);
    const std::size_t row_bytes = std::size_t{fb->width} * zelspec::bytes_per_pixel(*fb);
    frameBuffer image = *fb;
    image.num_frames = 1;
    uint32_t bit = first % per_image;
    int k = 0;
    for (int64_t f = first / per_image; f < fb->num_frames && k < def->num_patterns; ++f) {
        image.data = fb->data + f * image_bytes(*fb);
        const bool fresh = bit == 0;
        if (fresh) {
            const rect row0{0, 0, fb->width, 1, 0};
            zelspec_fb_fill_rect(&row0, &image, true);
        }
        for (; bit < per_image && k < def->num_patterns; ++bit, ++k) {
            rect band{0, 0, 0, fresh ? 1 : fb->height, static_cast<int32_t>(1u << bit)};
            if (band_in_image(def->mid_px[k], def->width_px, fb->width, band))
                zelspec_fb_fill_rect(&band, &image, false);
        }
        if (fresh)
            for (uint32_t y = 1; y < fb->height; ++y)
                std::memcpy(image.data + y * row_bytes, image.data, row_bytes);
        bit = 0;
    }
    return def->num_patterns;
}

int32_t zelspec_pattern_hadamard_to_fb(const patDefH *def, const frameBuffer *fb, uint32_t first)
{
    if (def == nullptr || fb == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (def->num_sets > ZELSPEC_MAX_HADAMARD_SETS)
        return ZELSPEC_ERROR_INVALID_INPUT;
    for (int g = 0; g < def->num_sets; ++g) {
        const hadamardSet &set = def->sets[g];
        if (set.num_cols > ZELSPEC_MAX_HADAMARD_COLS || set.num_cols > set.order)
            return ZELSPEC_ERROR_INVALID_INPUT;
    }
    int32_t status = check_frame_buffer(*fb);
    if (status != ZELSPEC_PASS)
        return status;
    BitPlanes planes(*fb, first, rect{0, 0, fb->width, 1, 0});
    uint8_t row[ZELSPEC_MAX_HADAMARD_ORDER];
    int drawn = 0;
    for (int g = 0; g < def->num_sets && drawn < def->num_patterns; ++g) {
        const hadamardSet &set = def->sets[g];
        for (int k = 0; k < set.order && drawn < def->num_patterns; ++k, ++drawn) {
            if (!planes.has_room())
                return def->num_patterns;
            status = zelspec_hadamard_matrix_row(set.order, k, row);
            if (status != ZELSPEC_PASS)
                return status;
            const int32_t value = planes.begin_pattern();
            for (int j = 0; j < set.num_cols; ++j)
                if (row[j] == 1)
                    or_band(planes, value, set.mid_px[j], def->width_px);
            planes.end_pattern();
        }
    }
    return def->num_patterns;
}

}  // extern "C"
