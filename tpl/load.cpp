// Loading: checks an image against a mapping and makes it the source for unpacking.
#include "tpl/file_map.h"
#include "tpl/mapping.h"

#include <cstdarg>

namespace tpl {

int gather_blocking(int file, void **image, size_t *size);

void reset(tpl_node *root)
{
  Root &state = *root->root;
  Image &image = state.image;
  if (image.mapped)
    unmap_file(image.address, image.size, image.file);
  else if (image.owned)
    release(const_cast<uint8_t *>(image.address));
  image = Image{};
  for (tpl_node *array : state.arrays) {
    array->remaining = 0;
    array->cursor = nullptr;
    array->packed.clear();
  }
  state.values_packed = false;
  state.flags = 0;
}

namespace {

constexpr uint32_t load_modes = TPL_ON_FILE | TPL_IN_MEM | TPL_GIVE_BUFFER;

void loaded(tpl_node *root, int mode)
{
  Root &state = *root->root;
  state.flags = (state.flags & (SWAPPED | OLD_STRINGS)) | LOADED | (static_cast<uint32_t>(mode) & load_modes);
  prepare_arrays(root);
}

int load_file(tpl_node *root, int mode, const char *path)
{
  MappedFile file;
  if (!map_file(path, true, file)) {
    report("tpl_load failed for file %s\n", path);
    return -1;
  }
  Root &state = *root->root;
  state.image = Image{file.address, file.size, file.file, false, true};
  const int check = tpl_check_image(root, mode & TPL_ALLOW_EXCESS);
  if (check != TPL_IMAGE_VALID) {
    if (check == TPL_IMAGE_SIGNATURE)
      report("%s: format signature mismatch\n", path);
    else if (check == TPL_IMAGE_DIMENSIONS)
      report("%s: array lengths mismatch\n", path);
    else
      report("%s: not a valid tpl file\n", path);
    reset(root);
    return -1;
  }
  loaded(root, mode);
  return 0;
}

int load_memory(tpl_node *root, int mode, const void *address, size_t size)
{
  Root &state = *root->root;
  state.image = Image{static_cast<const uint8_t *>(address), size, -1, (mode & TPL_GIVE_BUFFER) != 0, false};
  const int check = tpl_check_image(root, mode & TPL_ALLOW_EXCESS);
  if (check != TPL_IMAGE_VALID) {
    report(check == TPL_IMAGE_SIGNATURE ? "format signature mismatch\n" : "not a valid tpl file\n");
    reset(root);
    return -1;
  }
  loaded(root, mode);
  return 0;
}

} // namespace
} // namespace tpl

using namespace tpl;

extern "C" int tpl_load(tpl_node *root, int mode, ...)
{
  va_list arguments;
  va_start(arguments, mode);
  const char *path = nullptr;
  const void *address = nullptr;
  size_t size = 0;
  int file = -1;
  if (mode & TPL_ON_FILE) {
    path = va_arg(arguments, const char *);
  } else if (mode & TPL_IN_MEM) {
    address = va_arg(arguments, const void *);
    size = va_arg(arguments, size_t);
  } else if (mode & TPL_ON_FD) {
    file = va_arg(arguments, int);
  } else {
    va_end(arguments);
    report("unsupported tpl_load mode %d\n", mode);
    return -1;
  }
  va_end(arguments);

  if (root == nullptr || root->type != ROOT) {
    report("error: tpl_load to non-root node\n");
    if (!(mode & TPL_ON_FILE) && (mode & TPL_IN_MEM) && (mode & TPL_GIVE_BUFFER)) release(const_cast<void *>(address));
    return -1;
  }
  if (root->root->flags & (LOADED | PACKED)) reset(root);
  if (mode & TPL_ON_FILE) {
    if (path != nullptr) return load_file(root, mode, path);
    report("tpl_load failed for file %s\n", "(null)");
    return -1;
  }
  if (mode & TPL_IN_MEM) return load_memory(root, mode, address, size);

  void *image;
  size_t image_size;
  if (gather_blocking(file, &image, &image_size) != 1) return -1;
  return load_memory(root, TPL_IN_MEM | TPL_GIVE_BUFFER | (mode & TPL_ALLOW_EXCESS), image, image_size);
}

extern "C" void tpl_reset(tpl_node *root)
{
  if (root != nullptr && root->root != nullptr) reset(root);
}
