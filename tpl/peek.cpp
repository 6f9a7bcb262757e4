// Peeking: an image's type string, dimensions or first values, without a mapping.
#include "tpl/file_map.h"
#include "tpl/mapping.h"

#include <cstdarg>
#include <cstring>

namespace tpl {
namespace {

// Reads the leading values named by `format` from the data section into the outputs.
// All of them are checked first, so nothing is written for an image that is too short.
bool peek_values(Reader reader, const char *format, va_list &arguments)
{
  Reader check = reader;
  for (const char *c = format; *c != '\0'; ++c) {
    const int32_t type = simple_type(*c);
    if (type == STRING) {
      uint32_t length;
      if (!check.read_u32(length)) return false;
      const uint64_t chars = check.string_chars(length);
      if (check.left() < chars) return false;
      check.position += chars;
    } else {
      if (check.left() < value_size(type)) return false;
      check.position += value_size(type);
    }
  }
  for (const char *c = format; *c != '\0'; ++c) {
    const int32_t type = simple_type(*c);
    void *output = va_arg(arguments, void *);
    if (type == STRING) {
      uint32_t length = 0;
      reader.read_u32(length);
      char *string = nullptr;
      if (length != 0 || reader.old_strings) {
        const uint64_t chars = reader.string_chars(length);
        string = static_cast<char *>(allocate(chars + 1));
        std::memcpy(string, reader.position, chars);
        string[chars] = '\0';
        reader.position += chars;
      }
      std::memcpy(output, &string, sizeof string);
    } else {
      const size_t size = value_size(type);
      std::memcpy(output, reader.position, size);
      if (reader.swapped) swap_values(output, size, 1);
      reader.position += size;
    }
  }
  return true;
}

char *peek_image(const uint8_t *image, size_t size, int mode, va_list &arguments, uint32_t *count,
                 uint32_t **dimensions)
{
  if (size <= 8 || std::memcmp(image, "tpl", 3) != 0) return nullptr;
  const bool swapped = ((image[3] & 0x01) != 0) != host_big_endian;
  const bool old_strings = (image[3] & 0x02) == 0;

  size_t at = 8;
  size_t marks = 0;
  for (; at < size && image[at] != '\0'; ++at)
    if (image[at] == '#') ++marks;
  if (at == size) return nullptr;
  const size_t length = at - 8;
  auto *type_string = static_cast<char *>(allocate(length + 1));
  std::memcpy(type_string, image + 8, length + 1);

  const size_t dimensions_at = at + 1;
  const bool has_dimensions = size - dimensions_at >= 4 * marks;
  if (mode & TPL_FXLENS) {
    if (has_dimensions && marks != 0) {
      auto *values = static_cast<uint32_t *>(tpl_hook.allocate(4 * marks));
      if (values == nullptr) fatal("out of memory");
      std::memcpy(values, image + dimensions_at, 4 * marks);
      if (swapped) swap_values(values, 4, marks);
      *count = static_cast<uint32_t>(marks);
      *dimensions = values;
    }
    return type_string;
  }
  if (!(mode & TPL_DATAPEEK)) return type_string;

  const char *format = va_arg(arguments, const char *);
  if (format == nullptr || std::strspn(format, "iucsfIUjv") != std::strlen(format)) {
    report("invalid TPL_DATAPEEK format: %s\n", format == nullptr ? "(null)" : format);
    release(type_string);
    return nullptr;
  }
  const char *body = type_string + std::strspn(type_string, "S()");
  if (std::strncmp(body, format, std::strlen(format)) != 0) {
    report("TPL_DATAPEEK format mismatches tpl iamge\n");
    release(type_string);
    return nullptr;
  }
  Reader reader{image + dimensions_at, image + size, swapped, old_strings};
  if (!has_dimensions || (reader.position += 4 * marks, !peek_values(reader, format, arguments))) {
    report("tpl_peek: tpl has insufficient length\n");
    release(type_string);
    return nullptr;
  }
  return type_string;
}

} // namespace
} // namespace tpl

using namespace tpl;

extern "C" char *tpl_peek(int mode, ...)
{
  if ((mode & TPL_FXLENS) && (mode & TPL_DATAPEEK)) {
    report("TPL_FXLENS and TPL_DATAPEEK mutually exclusive\n");
    return nullptr;
  }
  if (!(mode & (TPL_ON_FILE | TPL_IN_MEM))) {
    report("unsupported tpl_peek mode %d\n", mode);
    return nullptr;
  }
  va_list arguments;
  va_start(arguments, mode);
  const bool on_file = (mode & TPL_ON_FILE) != 0;
  const char *path = nullptr;
  const uint8_t *image = nullptr;
  size_t size = 0;
  if (on_file) {
    path = va_arg(arguments, const char *);
  } else {
    image = va_arg(arguments, const uint8_t *);
    size = va_arg(arguments, size_t);
  }
  uint32_t *count = nullptr;
  uint32_t **dimensions = nullptr;
  if (mode & TPL_FXLENS) {
    count = va_arg(arguments, uint32_t *);
    dimensions = va_arg(arguments, uint32_t **);
    *count = 0;
    *dimensions = nullptr;
  }
  MappedFile file;
  if (on_file) {
    if (path == nullptr || !map_file(path, false, file)) {
      report("tpl_peek failed for file %s\n", path == nullptr ? "(null)" : path);
      va_end(arguments);
      return nullptr;
    }
    image = file.address;
    size = file.size;
  }
  char *type_string = image == nullptr ? nullptr : peek_image(image, size, mode, arguments, count, dimensions);
  va_end(arguments);
  if (on_file) unmap_file(file.address, file.size, file.file);
  return type_string;
}
