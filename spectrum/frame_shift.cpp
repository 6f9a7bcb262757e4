// Rebuilding every row of an image from its first row, shifted by a rounded quadratic.
#include <cstdlib>
#include <cstring>

#include "spectrum/frame_geometry.h"
#include "spectrum/scratch.h"
#include "spectrum/zelspec_patterns.h"

extern "C" int32_t zelspec_fb_shift_rows(const frameBuffer *fb, const double quadratic[3],
                                         int32_t patterns)
{
    if (fb == nullptr || quadratic == nullptr || fb->data == nullptr)
        return ZELSPEC_ERROR_NULL_POINTER;
    if (patterns < 0 || !zelspec::frame_geometry_ok(*fb))
        return ZELSPEC_ERROR_INVALID_INPUT;
    const uint32_t pixel_bytes = zelspec::bytes_per_pixel(*fb);
    const std::size_t row_bytes = std::size_t{fb->width} * pixel_bytes;
    auto shift = zelspec::make_scratch<int8_t>(fb->height);
    auto scratch = zelspec::make_scratch<uint8_t>(2 * row_bytes);
    if (!shift || !scratch)
        return ZELSPEC_ERROR_NO_MEMORY;
    const int32_t status =
        zelspec_num_quadratic_table(quadratic, static_cast<int32_t>(fb->height), shift.get());
    if (status != ZELSPEC_PASS)
        return status;
    const std::size_t half = row_bytes / 2;
    for (uint32_t r = 0; r < fb->height; ++r)
        if (std::size_t(std::abs(shift[r])) * pixel_bytes > half)
            return ZELSPEC_ERROR_INVALID_INPUT;

    // The image count follows the bits of a pixel, bounded by the images the buffer has.
    int64_t images = (int64_t{patterns} + fb->bpp - 1) / fb->bpp;
    if (images > fb->num_frames)
        images = fb->num_frames;
    uint8_t *image = fb->data;
    for (int64_t f = 0; f < images; ++f, image += zelspec::image_bytes(*fb)) {
        std::memcpy(scratch.get() + half, image, row_bytes);
        for (uint32_t r = 0; r < fb->height; ++r) {
            const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(half) -
                                        std::ptrdiff_t{shift[r]} * std::ptrdiff_t{pixel_bytes};
            std::memcpy(image + r * row_bytes, scratch.get() + from, row_bytes);
        }
    }
    return ZELSPEC_PASS;
}
