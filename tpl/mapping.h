// The mapping: the tree of nodes that a bound type string builds over the caller's variables.
#ifndef ZEL_TPL_MAPPING_H
#define ZEL_TPL_MAPPING_H

#include "tpl/memory.h"
#include "tpl/tpl.h"

#include <cstddef>
#include <cstdint>

namespace tpl {

// Node type codes; the value is the position of the type character in the engine's table.
enum Type : int32_t {
  ROOT = 0,
  INT32 = 1,   // i
  UINT32 = 2,  // u
  BYTE = 3,    // c
  STRING = 4,  // s
  ARRAY = 5,   // A
  BIN = 6,     // B
  DOUBLE = 7,  // f
  INT64 = 8,   // I
  UINT64 = 9,  // U
  INT16 = 10,  // j
  UINT16 = 11, // v
  STRUCTS = 12 // S(...), with or without "#"
};

// Size in memory of one value of a simple type or s (a pointer); 0 for the others.
size_t value_size(int32_t type);

// The type of a simple item's character (i u c s f I U j v), else ROOT.
int32_t simple_type(char c);

// Every character an image's type string may hold.
constexpr const char image_characters[] = "AS($)BiucsfIUjv#";

constexpr bool host_big_endian = __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__;

// State bits of the root, next to the load mode flags (TPL_ON_FILE, TPL_IN_MEM, TPL_GIVE_BUFFER).
constexpr uint32_t PACKED = 0x200;
constexpr uint32_t LOADED = 0x400;
constexpr uint32_t SWAPPED = 0x800;    // image byte order differs from the host's
constexpr uint32_t OLD_STRINGS = 0x1000; // string lengths without the +1

// One member of an S group: its type, element count and offset inside the record.
struct Member {
  int32_t type;
  int32_t count;
  size_t offset;
};

// The image a loaded mapping reads from.
struct Image {
  const uint8_t *address = nullptr;
  size_t size = 0;
  int file = -1;       // descriptor of a mapped file, else -1
  bool owned = false;  // a buffer the engine frees
  bool mapped = false; // a file mapping the engine unmaps
};

struct Root {
  uint32_t flags = 0;
  bool values_packed = false; // the root's own items hold packed values
  Vector<tpl_node *> arrays;  // every A node, in order of appearance of its "A"
  Image image;
  Bytes type_string; // with its zero byte
  Vector<uint32_t> dimensions;
  size_t fixed_size = 0; // header, type string and dimensions
};

} // namespace tpl

struct tpl_node {
  int32_t type = tpl::ROOT;
  void *address = nullptr; // variable, tpl_bin, or record base of an S group
  int32_t count = 1;       // values per variable; records of an S group
  tpl_node *parent = nullptr;

  // Root and A: the items, in type-string order.
  tpl::Vector<tpl_node *> children;
  // Bytes of one element when every item has a fixed size, else -1 (root and A).
  int64_t fixed_element_size = 0;

  // S group: the members (flattened "$" groups) and the record stride.
  tpl::Vector<tpl::Member> members;
  size_t record_size = 0;

  // Packed values in image encoding and host byte order: an item of the root holds its
  // value, an A holds its elements one after another.
  tpl::Bytes packed;
  // A: elements packed, or still to unpack, and where the next one lies in the image.
  uint32_t remaining = 0;
  const uint8_t *cursor = nullptr;

  tpl::Root *root = nullptr; // the root only
};

namespace tpl {

// Image bytes of a root item in the fresh state (all of them zero: zero values, null
// strings, empty byte buffers).
size_t fresh_size(const tpl_node *item);

// Drops the image and packed data; the mapping is fresh again.
void reset(tpl_node *root);

// Bounded reading of a loaded image, in the image's byte order.
struct Reader {
  const uint8_t *position;
  const uint8_t *end;
  bool swapped;
  bool old_strings;

  size_t left() const { return static_cast<size_t>(end - position); }
  bool read_u32(uint32_t &value)
  {
    if (left() < 4) return false;
    std::memcpy(&value, position, 4);
    if (swapped) value = __builtin_bswap32(value);
    position += 4;
    return true;
  }
  // Characters that a string of stored length `length` carries.
  uint64_t string_chars(uint32_t length) const
  {
    if (old_strings) return length;
    return length > 1 ? length - 1u : 0u;
  }
};

Reader reader_at(const tpl_node *root, const uint8_t *position);

// Skips the data of the root (one pass over its items) or of an A (count and elements).
bool skip_container(const tpl_node *container, Reader &reader);
bool skip_item(const tpl_node *item, Reader &reader);

// Checks an image against the mapping (tpl_check_image's codes) and records in the root
// whether its byte order differs and whether it uses the old string format.
int check_image(tpl_node *root, const uint8_t *image, size_t size, bool allow_excess);

// Where the data section of the loaded image starts.
const uint8_t *data_start(const tpl_node *root);

// After a load: every top-level A gets its element count and its first element.
void prepare_arrays(tpl_node *root);

// Writes the image of a packed or fresh mapping into `out` (tpl_ser_osz bytes).
void write_image(const tpl_node *root, uint8_t *out);

// Reverses the bytes of `count` values of `size` bytes in place.
void swap_values(void *values, size_t size, size_t count);

} // namespace tpl

#endif
