// Checks and sizes of a frame buffer descriptor shared by the fill, the renderers and the row
// shift.
#ifndef ZEL_SPECTRUM_FRAME_GEOMETRY_H
#define ZEL_SPECTRUM_FRAME_GEOMETRY_H

#include <cstddef>
#include <cstdint>

#include "spectrum/zelspec_patterns.h"

namespace zelspec {

inline uint32_t bytes_per_pixel(const frameBuffer &fb) { return fb.bpp / 8; }

// Whether the layout is one the fills and shifts handle: 16, 24 or 32 bits per pixel, a
// non-empty image of whole 32-bit words (and, at 24 bits, whole groups of four pixels per row),
// rows that fit in 32 bits of bytes.
inline bool frame_geometry_ok(const frameBuffer &fb)
{
    if (fb.bpp != 16 && fb.bpp != 24 && fb.bpp != 32)
        return false;
    if (fb.width == 0 || fb.height == 0 || fb.width > (1u << 24) || fb.height > (1u << 24))
        return false;
    if (fb.bpp == 24 && fb.width % 4 != 0)
        return false;
    const uint64_t image = uint64_t{fb.width} * fb.height * bytes_per_pixel(fb);
    return image % 4 == 0;
}

inline std::size_t image_bytes(const frameBuffer &fb)
{
    return std::size_t{fb.width} * fb.height * bytes_per_pixel(fb);
}

// Patterns held by one image: one per bit of a 16-bit pixel, 24 at the deeper formats.
inline uint32_t patterns_per_image(const frameBuffer &fb) { return fb.bpp == 16 ? 16 : 24; }

// A band of `width` columns whose centre is `centre`, kept inside an image `image_width` wide:
// a start left of column 0 moves to 0 keeping the width, a band past the right edge is cut.
// False when nothing of it lies in the image.
inline bool band_in_image(int64_t centre, int64_t width, uint32_t image_width, rect &out)
{
    int64_t first = centre - width / 2;
    if (first < 0)
        first = 0;
    if (first >= image_width || width <= 0)
        return false;
    if (first + width > image_width)
        width = image_width - first;
    out.x = static_cast<uint32_t>(first);
    out.width = static_cast<uint32_t>(width);
    return true;
}

}  // namespace zelspec

#endif
