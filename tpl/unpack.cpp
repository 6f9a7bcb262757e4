// Unpacking: copies values from the loaded image back into the caller's variables.
#include "tpl/mapping.h"

#include <cstring>

namespace tpl {
namespace {

// Values of `size` bytes move from the image to the variable; source and destination may
// overlap, so an image can be decoded into the buffer that holds it.
bool unpack_values(Reader &reader, void *address, size_t size, int32_t count)
{
  const size_t bytes = size * static_cast<size_t>(count);
  if (reader.left() < bytes) return false;
  std::memmove(address, reader.position, bytes);
  if (reader.swapped && size > 1) swap_values(address, size, static_cast<size_t>(count));
  reader.position += bytes;
  return true;
}

bool unpack_strings(Reader &reader, void *address, int32_t count)
{
  for (int32_t k = 0; k < count; ++k) {
    uint32_t length;
    if (!reader.read_u32(length)) return false;
    char *string = nullptr;
    if (length != 0 || reader.old_strings) {
      const uint64_t chars = reader.string_chars(length);
      if (reader.left() < chars) return false;
      string = static_cast<char *>(allocate(chars + 1));
      std::memcpy(string, reader.position, chars);
      string[chars] = '\0';
      reader.position += chars;
    }
    std::memcpy(static_cast<char **>(address) + k, &string, sizeof string);
  }
  return true;
}

bool unpack_bin(Reader &reader, tpl_bin *bin)
{
  uint32_t length;
  if (!reader.read_u32(length) || reader.left() < length) return false;
  void *bytes = nullptr;
  if (length != 0) {
    bytes = allocate(length);
    std::memcpy(bytes, reader.position, length);
  }
  reader.position += length;
  bin->address = bytes;
  bin->length = length;
  return true;
}

bool unpack_structs(Reader &reader, const tpl_node *group)
{
  auto *record = static_cast<uint8_t *>(group->address);
  for (int32_t r = 0; r < group->count; ++r, record += group->record_size) {
    for (const Member &member : group->members) {
      const bool unpacked = member.type == STRING
                                ? unpack_strings(reader, record + member.offset, member.count)
                                : unpack_values(reader, record + member.offset, value_size(member.type), member.count);
      if (!unpacked) return false;
    }
  }
  return true;
}

bool unpack_items(const tpl_node *container, Reader &reader)
{
  for (tpl_node *item : container->children) {
    bool unpacked;
    switch (item->type) {
    case STRING: unpacked = unpack_strings(reader, item->address, item->count); break;
    case BIN: unpacked = unpack_bin(reader, static_cast<tpl_bin *>(item->address)); break;
    case STRUCTS: unpacked = unpack_structs(reader, item); break;
    case ARRAY: {
      const uint8_t *at = reader.position;
      unpacked = reader.read_u32(item->remaining);
      item->cursor = reader.position;
      reader.position = at;
      unpacked = unpacked && skip_container(item, reader);
      break;
    }
    default: unpacked = unpack_values(reader, item->address, value_size(item->type), item->count); break;
    }
    if (!unpacked) return false;
  }
  return true;
}

// A packed mapping is turned into an image of its own first.
bool ensure_loaded(tpl_node *root)
{
  const uint32_t flags = root->root->flags;
  if (flags & LOADED) return true;
  if (!(flags & PACKED)) {
    report("tpl_unpack: no image loaded\n");
    return false;
  }
  void *image;
  size_t size;
  if (tpl_dump(root, TPL_IN_MEM, &image, &size) != 0) return false;
  return tpl_load(root, TPL_IN_MEM | TPL_GIVE_BUFFER, image, size) == 0;
}

// The image no longer holds what the load found: the caller changed it meanwhile.
int changed_image()
{
  report("tpl_unpack: image changed after loading\n");
  return -1;
}

} // namespace
} // namespace tpl

using namespace tpl;

extern "C" int tpl_unpack(tpl_node *root, int index)
{
  if (root == nullptr || root->root == nullptr) return -1;
  Root &state = *root->root;
  if (index < 0 || static_cast<size_t>(index) > state.arrays.size()) {
    report("invalid index %d to tpl_unpack\n", index);
    return -1;
  }
  if (!ensure_loaded(root)) return -1;
  if (index == 0) {
    Reader reader = reader_at(root, data_start(root));
    return unpack_items(root, reader) ? 1 : changed_image();
  }
  tpl_node *array = state.arrays[static_cast<size_t>(index) - 1];
  if (array->cursor == nullptr) fatal("must unpack parent of node before node itself\n");
  if (array->remaining == 0) return 0;
  const int left = static_cast<int>(array->remaining--);
  Reader reader = reader_at(root, array->cursor);
  if (!unpack_items(array, reader)) return changed_image();
  array->cursor = reader.position;
  return left;
}

extern "C" int tpl_array_count(tpl_node *root, int index)
{
  if (root == nullptr || root->root == nullptr) return -1;
  Root &state = *root->root;
  if (index < 0 || static_cast<size_t>(index) > state.arrays.size()) {
    report("invalid index %d to tpl_unpack\n", index);
    return -1;
  }
  if (index == 0) return -1;
  return static_cast<int>(state.arrays[static_cast<size_t>(index) - 1]->remaining);
}
