// Packing: copies the variables' current values into the mapping, in image encoding.
#include "tpl/mapping.h"

#include <cstring>

namespace tpl {
namespace {

void pack_string(const char *string, Bytes &out)
{
  if (string == nullptr) {
    out.append_u32(0);
    return;
  }
  const size_t length = std::strlen(string);
  out.append_u32(static_cast<uint32_t>(length + 1));
  out.append(string, length);
}

void pack_strings(const void *address, int32_t count, Bytes &out)
{
  for (int32_t k = 0; k < count; ++k) {
    const char *string;
    std::memcpy(&string, static_cast<const char *const *>(address) + k, sizeof string);
    pack_string(string, out);
  }
}

void pack_bin(const tpl_bin *bin, Bytes &out)
{
  const uint32_t length = bin->address == nullptr ? 0 : bin->length;
  out.append_u32(length);
  out.append(bin->address, length);
}

void pack_structs(const tpl_node *group, Bytes &out)
{
  const auto *record = static_cast<const uint8_t *>(group->address);
  for (int32_t r = 0; r < group->count; ++r, record += group->record_size) {
    for (const Member &member : group->members) {
      if (member.type == STRING)
        pack_strings(record + member.offset, member.count, out);
      else
        out.append(record + member.offset, value_size(member.type) * static_cast<size_t>(member.count));
    }
  }
}

// Appends one item's current value; a nested A hands over its elements and starts over.
void pack_item(tpl_node *item, Bytes &out)
{
  switch (item->type) {
  case STRING: pack_strings(item->address, item->count, out); break;
  case BIN: pack_bin(static_cast<const tpl_bin *>(item->address), out); break;
  case STRUCTS: pack_structs(item, out); break;
  case ARRAY:
    out.append_u32(item->remaining);
    out.append(item->packed.data(), item->packed.size());
    item->remaining = 0;
    item->packed.clear();
    break;
  default: out.append(item->address, value_size(item->type) * static_cast<size_t>(item->count)); break;
  }
}

void start_packing(tpl_node *root)
{
  if (root->root->flags & LOADED) reset(root);
  root->root->flags |= PACKED;
}

} // namespace
} // namespace tpl

using namespace tpl;

extern "C" int tpl_pack(tpl_node *root, int index)
{
  if (root == nullptr || root->root == nullptr) return -1;
  Root &state = *root->root;
  if (index < 0 || static_cast<size_t>(index) > state.arrays.size()) {
    report("invalid index %d to tpl_pack\n", index);
    return -1;
  }
  if (index == 0) {
    start_packing(root);
    for (tpl_node *item : root->children) {
      if (item->type == ARRAY) continue;
      item->packed.clear();
      // Fixed-size items (and the lengths of strings) need at least their fresh size.
      item->packed.reserve(fresh_size(item));
      pack_item(item, item->packed);
    }
    state.values_packed = true;
    return 0;
  }
  tpl_node *array = state.arrays[static_cast<size_t>(index) - 1];
  if (array->remaining == INT32_MAX) {
    report("tpl_pack: array %d is full\n", index);
    return -1;
  }
  start_packing(root);
  for (tpl_node *item : array->children) pack_item(item, array->packed);
  ++array->remaining;
  return 0;
}

extern "C" size_t tpl_ser_osz(tpl_node *root)
{
  if (root == nullptr || root->type != ROOT) fatal("internal error: tpl_ser_osz on non-root node\n");
  size_t size = root->root->fixed_size;
  for (const tpl_node *item : root->children) {
    if (item->type == ARRAY)
      size += 4 + item->packed.size();
    else
      size += root->root->values_packed ? item->packed.size() : fresh_size(item);
  }
  return size;
}
