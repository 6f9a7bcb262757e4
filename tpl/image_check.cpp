// Walking a loaded image: sizes of its parts, and the check of an image against a mapping.
#include "tpl/mapping.h"

#include <cstring>

namespace tpl {
namespace {

bool skip_bytes(Reader &reader, uint64_t n)
{
  if (reader.left() < n) return false;
  reader.position += n;
  return true;
}

bool skip_strings(Reader &reader, int64_t count)
{
  for (int64_t k = 0; k < count; ++k) {
    uint32_t length;
    if (!reader.read_u32(length) || !skip_bytes(reader, reader.string_chars(length))) return false;
  }
  return true;
}

bool skip_items(const tpl_node *container, Reader &reader)
{
  for (const tpl_node *item : container->children)
    if (!skip_item(item, reader)) return false;
  return true;
}

} // namespace

bool skip_item(const tpl_node *item, Reader &reader)
{
  switch (item->type) {
  case STRING: return skip_strings(reader, item->count);
  case BIN: {
    uint32_t length;
    return reader.read_u32(length) && skip_bytes(reader, length);
  }
  case ARRAY: return skip_container(item, reader);
  case STRUCTS:
    for (int32_t r = 0; r < item->count; ++r)
      for (const Member &member : item->members) {
        const bool skipped = member.type == STRING
                                 ? skip_strings(reader, member.count)
                                 : skip_bytes(reader, value_size(member.type) * static_cast<uint64_t>(member.count));
        if (!skipped) return false;
      }
    return true;
  case INT32:
  case UINT32:
  case BYTE:
  case DOUBLE:
  case INT64:
  case UINT64:
  case INT16:
  case UINT16: return skip_bytes(reader, value_size(item->type) * static_cast<uint64_t>(item->count));
  default: fatal("unsupported format character\n");
  }
}

bool skip_container(const tpl_node *container, Reader &reader)
{
  if (container->type == ROOT) return skip_items(container, reader);
  uint32_t elements;
  // Counts that tpl_unpack could not return are not images this engine writes.
  if (!reader.read_u32(elements) || elements > INT32_MAX) return false;
  if (container->fixed_element_size >= 0)
    return skip_bytes(reader, static_cast<uint64_t>(container->fixed_element_size) * elements);
  for (uint32_t e = 0; e < elements; ++e)
    if (!skip_items(container, reader)) return false;
  return true;
}

Reader reader_at(const tpl_node *root, const uint8_t *position)
{
  const Root &state = *root->root;
  return Reader{position, state.image.address + state.image.size, (state.flags & SWAPPED) != 0,
                (state.flags & OLD_STRINGS) != 0};
}

const uint8_t *data_start(const tpl_node *root)
{
  const Root &state = *root->root;
  return state.image.address + state.fixed_size;
}

void prepare_arrays(tpl_node *root)
{
  Reader reader = reader_at(root, data_start(root));
  for (tpl_node *item : root->children) {
    if (item->type == ARRAY) {
      const uint8_t *at = reader.position;
      if (!reader.read_u32(item->remaining)) fatal("internal error in unpackA0\n");
      item->cursor = reader.position;
      reader.position = at;
      if (!skip_container(item, reader)) fatal("internal error in unpackA0\n");
    } else if (!skip_item(item, reader)) {
      fatal("internal error in unpackA0\n");
    }
  }
}

void swap_values(void *values, size_t size, size_t count)
{
  auto *bytes = static_cast<uint8_t *>(values);
  for (size_t k = 0; k < count; ++k, bytes += size) {
    switch (size) {
    case 2: {
      uint16_t v;
      std::memcpy(&v, bytes, 2);
      v = __builtin_bswap16(v);
      std::memcpy(bytes, &v, 2);
      break;
    }
    case 4: {
      uint32_t v;
      std::memcpy(&v, bytes, 4);
      v = __builtin_bswap32(v);
      std::memcpy(bytes, &v, 4);
      break;
    }
    case 8: {
      uint64_t v;
      std::memcpy(&v, bytes, 8);
      v = __builtin_bswap64(v);
      std::memcpy(bytes, &v, 8);
      break;
    }
    default: break;
    }
  }
}

} // namespace tpl

using namespace tpl;

extern "C" int64_t tpl_serlen(tpl_node *root, tpl_node *node, const void *position)
{
  if (root == nullptr || root->root == nullptr || node == nullptr) return -1;
  if (node->type != ROOT && node->type != ARRAY) fatal("internal error in tpl_serlen\n");
  const Image &image = root->root->image;
  const auto *at = static_cast<const uint8_t *>(position);
  if (image.address == nullptr || at < image.address || at > image.address + image.size) return -1;
  Reader reader = reader_at(root, at);
  if (!skip_container(node, reader)) return -1;
  return reader.position - at;
}

int tpl::check_image(tpl_node *root, const uint8_t *image, size_t size, bool allow_excess)
{
  Root &state = *root->root;
  if (image == nullptr || size <= 8) return TPL_IMAGE_TOO_SHORT;
  if (std::memcmp(image, "tpl", 3) != 0) return TPL_IMAGE_BAD_MAGIC;
  const uint8_t flags = image[3];
  if (flags & ~0x03u) return TPL_IMAGE_BAD_FLAGS;

  state.flags &= ~(SWAPPED | OLD_STRINGS);
  if (((flags & 0x01) != 0) != host_big_endian) state.flags |= SWAPPED;
  if ((flags & 0x02) == 0) state.flags |= OLD_STRINGS;
  const bool swapped = (state.flags & SWAPPED) != 0;

  uint32_t size_field;
  std::memcpy(&size_field, image + 4, 4);
  if (swapped) size_field = __builtin_bswap32(size_field);
  if (!allow_excess && size_field != size) return TPL_IMAGE_SIZE_FIELD;

  size_t at = 8;
  size_t marks = 0;
  for (;; ++at) {
    if (at == size) return TPL_IMAGE_TYPE_UNTERMINATED;
    const char c = static_cast<char>(image[at]);
    if (c == '\0') break;
    if (std::strchr(image_characters, c) == nullptr) return TPL_IMAGE_BAD_TYPE_CHAR;
    if (c == '#') ++marks;
  }
  const size_t length = at - 8;
  if (length + 1 != state.type_string.size() || std::memcmp(image + 8, state.type_string.data(), length) != 0)
    return TPL_IMAGE_SIGNATURE;

  const size_t dimensions_at = at + 1;
  if (size - dimensions_at < 4 * marks) return TPL_IMAGE_DIMENSIONS_SHORT;
  for (size_t k = 0; k < marks; ++k) {
    uint32_t dimension;
    std::memcpy(&dimension, image + dimensions_at + 4 * k, 4);
    if (swapped) dimension = __builtin_bswap32(dimension);
    if (dimension != state.dimensions[k]) return TPL_IMAGE_DIMENSIONS;
  }

  Reader reader{image + dimensions_at + 4 * marks, image + size, swapped, (state.flags & OLD_STRINGS) != 0};
  if (!skip_container(root, reader)) return TPL_IMAGE_DATA_SHORT;
  const size_t computed = static_cast<size_t>(reader.position - image);
  if (allow_excess ? computed > size : computed != size) return TPL_IMAGE_DATA_SIZE;
  return TPL_IMAGE_VALID;
}

extern "C" int tpl_check_image(tpl_node *root, int allow_excess)
{
  if (root == nullptr || root->root == nullptr) return TPL_IMAGE_TOO_SHORT;
  const Image &image = root->root->image;
  return check_image(root, image.address, image.size, allow_excess != 0);
}
