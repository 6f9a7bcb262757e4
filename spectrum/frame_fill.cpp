// Rectangle fill at 16, 24 and 32 bits per pixel.
#include <cstring>

#include "spectrum/frame_geometry.h"
#include "spectrum/zelspec_patterns.h"

namespace {

using zelspec::bytes_per_pixel;

bool rect_inside(const rect &r, const frameBuffer &fb)
{
    return r.x <= fb.width && r.width <= fb.width - r.x && r.y <= fb.height &&
           r.height <= fb.height - r.y;
}

bool can_fill(const rect *r, const frameBuffer *fb, uint32_t bpp)
{
    return r != nullptr && fb != nullptr && fb->data != nullptr && fb->bpp == bpp &&
           zelspec::frame_geometry_ok(*fb) && rect_inside(*r, *fb);
}

template <class Pixel>
void fill_words(const rect &r, const frameBuffer &fb, bool overwrite)
{
    const auto value = static_cast<Pixel>(static_cast<uint32_t>(r.value));
    const std::size_t row_bytes = std::size_t{fb.width} * sizeof(Pixel);
    for (uint32_t y = r.y; y < r.y + r.height; ++y) {
        uint8_t *p = fb.data + y * row_bytes + std::size_t{r.x} * sizeof(Pixel);
        for (uint32_t i = 0; i < r.width; ++i, p += sizeof(Pixel)) {
            Pixel px = value;
            if (!overwrite) {
                std::memcpy(&px, p, sizeof px);
                px |= value;
            }
            std::memcpy(p, &px, sizeof px);
        }
    }
}

// Four 24-bit pixels are three 32-bit words. The words and masks are assembled from bytes so
// that the pixel byte order holds whatever the host's word order.
struct Group {
    uint32_t word[3];
};

Group group_of(const uint8_t bytes[12])
{
    Group g;
    std::memcpy(g.word, bytes, sizeof g.word);
    return g;
}

// The bytes of pixels first..last-1 (0 <= first < last <= 4) of a group.
Group pixel_mask(uint32_t first, uint32_t last)
{
    uint8_t bytes[12] = {};
    std::memset(bytes + 3 * first, 0xFF, 3 * (last - first));
    return group_of(bytes);
}

void apply_group(uint8_t *at, const Group &pattern, const Group &mask, bool overwrite)
{
    uint32_t w[3];
    std::memcpy(w, at, sizeof w);
    for (int i = 0; i < 3; ++i)
        w[i] = overwrite ? (w[i] & ~mask.word[i]) | (pattern.word[i] & mask.word[i])
                         : w[i] | (pattern.word[i] & mask.word[i]);
    std::memcpy(at, w, sizeof w);
}

void apply_whole_groups(uint8_t *at, uint32_t groups, const Group &pattern, bool overwrite)
{
    for (uint32_t g = 0; g < groups; ++g, at += 12) {
        uint32_t w[3];
        if (overwrite) {
            std::memcpy(at, pattern.word, sizeof w);
            continue;
        }
        std::memcpy(w, at, sizeof w);
        w[0] |= pattern.word[0];
        w[1] |= pattern.word[1];
        w[2] |= pattern.word[2];
        std::memcpy(at, w, sizeof w);
    }
}

void fill_24(const rect &r, const frameBuffer &fb, bool overwrite)
{
    if (r.width == 0 || r.height == 0)
        return;
    const auto v = static_cast<uint32_t>(r.value);
    const uint8_t b0 = v & 0xFF, b1 = (v >> 8) & 0xFF, b2 = (v >> 16) & 0xFF;
    const std::size_t row_bytes = std::size_t{fb.width} * 3;
    uint8_t *image = fb.data;

    // Overwriting with a value whose three bytes agree is a plain byte fill; whole rows of it
    // are one contiguous block.
    if (overwrite && b0 == b1 && b1 == b2) {
        if (r.x == 0 && r.width == fb.width) {
            std::memset(image + r.y * row_bytes, b0, r.height * row_bytes);
            return;
        }
        for (uint32_t y = r.y; y < r.y + r.height; ++y)
            std::memset(image + y * row_bytes + std::size_t{r.x} * 3, b0, std::size_t{r.width} * 3);
        return;
    }

    const uint8_t pattern_bytes[12] = {b0, b1, b2, b0, b1, b2, b0, b1, b2, b0, b1, b2};
    const Group pattern = group_of(pattern_bytes);
    const uint32_t end = r.x + r.width;
    const uint32_t first_group = r.x / 4, last_group = (end - 1) / 4;
    for (uint32_t y = r.y; y < r.y + r.height; ++y) {
        uint8_t *row = image + y * row_bytes;
        if (first_group == last_group) {
            apply_group(row + 12 * first_group, pattern, pixel_mask(r.x % 4, (end - 1) % 4 + 1),
                        overwrite);
            continue;
        }
        uint32_t whole_from = first_group;
        if (r.x % 4 != 0) {
            apply_group(row + 12 * first_group, pattern, pixel_mask(r.x % 4, 4), overwrite);
            ++whole_from;
        }
        uint32_t whole_to = last_group + 1;
        if (end % 4 != 0) {
            apply_group(row + 12 * last_group, pattern, pixel_mask(0, end % 4), overwrite);
            --whole_to;
        }
        apply_whole_groups(row + 12 * whole_from, whole_to - whole_from, pattern, overwrite);
    }
}

}  // namespace

extern "C" {

void zelspec_fb_fill_rect_16(const rect *r, const frameBuffer *fb, bool overwrite)
{
    if (can_fill(r, fb, 16))
        fill_words<uint16_t>(*r, *fb, overwrite);
}

void zelspec_fb_fill_rect_24(const rect *r, const frameBuffer *fb, bool overwrite)
{
    if (can_fill(r, fb, 24))
        fill_24(*r, *fb, overwrite);
}

void zelspec_fb_fill_rect_32(const rect *r, const frameBuffer *fb, bool overwrite)
{
    if (can_fill(r, fb, 32))
        fill_words<uint32_t>(*r, *fb, overwrite);
}

void zelspec_fb_fill_rect(const rect *r, const frameBuffer *fb, bool overwrite)
{
    if (fb == nullptr)
        return;
    switch (fb->bpp) {
    case 16:
        zelspec_fb_fill_rect_16(r, fb, overwrite);
        break;
    case 24:
        zelspec_fb_fill_rect_24(r, fb, overwrite);
        break;
    case 32:
        zelspec_fb_fill_rect_32(r, fb, overwrite);
        break;
    default:
        break;
    }
}

}  // extern "C"
