// Internal helpers of the serialization glue: owned engine mappings and decoding an image into
// a record that lies elsewhere.
#ifndef ZEL_SPECTRUM_IMAGE_GLUE_H
#define ZEL_SPECTRUM_IMAGE_GLUE_H

#include "spectrum/zelspec.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zelspec {

struct MappingRelease {
    void operator()(tpl_node *root) const { tpl_release(root); }
};
using Mapping = std::unique_ptr<tpl_node, MappingRelease>;

// Bytes of the record that a code maps onto (its in-memory size); 0 for an unknown code.
std::size_t record_size(int32_t code);

// Loads the image at `image` (`size` bytes, more allowed) as `code` and unpacks it into the
// record at `record`, which must not overlap the image. ZELSPEC_ERROR_SERIALIZE when the code
// is unknown or the image does not load; the record is then unchanged.
int32_t decode_image(void *record, const void *image, std::size_t size, int32_t code);

// zelspec_serialized_size for a record only read by the engine.
int32_t image_size(const void *record, int32_t code, std::size_t *size);

}  // namespace zelspec

#endif
