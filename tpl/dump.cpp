// Dumping: writes a packed mapping as an image into a file, a descriptor or memory.
#include "tpl/mapping.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tpl {

void write_image(const tpl_node *root, uint8_t *out)
{
  const Root &state = *root->root;
  const uint32_t size = static_cast<uint32_t>(tpl_ser_osz(const_cast<tpl_node *>(root)));
  const bool has_strings = std::memchr(state.type_string.data(), 's', state.type_string.size()) != nullptr;
  std::memcpy(out, "tpl", 3);
  out[3] = static_cast<uint8_t>((host_big_endian ? 0x01 : 0) | (has_strings ? 0x02 : 0));
  std::memcpy(out + 4, &size, 4);
  out += 8;
  std::memcpy(out, state.type_string.data(), state.type_string.size());
  out += state.type_string.size();
  if (!state.dimensions.empty()) std::memcpy(out, state.dimensions.data(), 4 * state.dimensions.size());
  out += 4 * state.dimensions.size();
  for (const tpl_node *item : root->children) {
    if (item->type == ARRAY) {
      std::memcpy(out, &item->remaining, 4);
      out += 4;
    } else if (!state.values_packed) {
      const size_t fresh = fresh_size(item);
      std::memset(out, 0, fresh);
      out += fresh;
      continue;
    }
    if (item->packed.size() != 0) std::memcpy(out, item->packed.data(), item->packed.size());
    out += item->packed.size();
  }
}

namespace {

int dump_to_file(const tpl_node *root, size_t size, const char *path)
{
  const int file = open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
  if (file < 0) {
    report("Couldn't open file %s: %s\n", path, std::strerror(errno));
    return -1;
  }
  if (ftruncate(file, static_cast<off_t>(size)) != 0) {
    report("ftruncate failed: %s\n", std::strerror(errno));
    close(file);
    return -1;
  }
  void *mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  if (mapping == MAP_FAILED) {
    report("Failed to mmap %s: %s\n", path, std::strerror(errno));
    close(file);
    return -1;
  }
  write_image(root, static_cast<uint8_t *>(mapping));
  if (msync(mapping, size, MS_SYNC) != 0) report("msync failed on fd %d: %s\n", file, std::strerror(errno));
  if (munmap(mapping, size) != 0) report("munmap failed on fd %d: %s\n", file, std::strerror(errno));
  close(file);
  return 0;
}

// Writes all of it, waiting while the descriptor would block.
int dump_to_fd(const tpl_node *root, size_t size, int file)
{
  auto *image = static_cast<uint8_t *>(allocate(size));
  write_image(root, image);
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(file, image + written, size - written);
    if (n >= 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd writable{file, POLLOUT, 0};
      poll(&writable, 1, -1);
      continue;
    }
    report("error writing to fd %d: %s\n", file, std::strerror(errno));
    release(image);
    struct stat status;
    if (written != 0 && fstat(file, &status) == 0 && S_ISREG(status.st_mode)) {
      const off_t end = lseek(file, 0, SEEK_CUR);
      const off_t start = end - static_cast<off_t>(written);
      if (end < 0 || ftruncate(file, start) != 0 || lseek(file, start, SEEK_SET) < 0)
        report("can't rewind: %s\n", std::strerror(errno));
    }
    return -1;
  }
  release(image);
  return 0;
}

} // namespace
} // namespace tpl

using namespace tpl;

extern "C" int tpl_dump(tpl_node *root, int mode, ...)
{
  if (root == nullptr || root->root == nullptr) return -1;
  if (root->root->flags & LOADED) {
    report("error: tpl_dump called for a loaded tpl\n");
    return -1;
  }
  if (!(mode & (TPL_ON_FILE | TPL_ON_FD | TPL_IN_MEM | TPL_SIZE_ONLY))) {
    report("unsupported tpl_dump mode %d\n", mode);
    return -1;
  }
  const size_t size = tpl_ser_osz(root);
  // The size field has 32 bits.
  if (size > UINT32_MAX) {
    report("tpl_dump: image of %llu bytes exceeds the 4 GiB limit\n", static_cast<unsigned long long>(size));
    return -1;
  }
  va_list arguments;
  va_start(arguments, mode);
  int result = 0;
  if (mode & TPL_ON_FILE) {
    result = dump_to_file(root, size, va_arg(arguments, const char *));
  } else if (mode & TPL_ON_FD) {
    result = dump_to_fd(root, size, va_arg(arguments, int));
  } else if (mode & TPL_IN_MEM) {
    if (mode & TPL_OWN_BUFFER) {
      void *buffer = va_arg(arguments, void *);
      const size_t capacity = va_arg(arguments, size_t);
      if (capacity < size) {
        report("tpl_dump: buffer too small, need %d bytes\n", static_cast<int>(size));
        result = -1;
      } else {
        write_image(root, static_cast<uint8_t *>(buffer));
      }
    } else {
      void **image = va_arg(arguments, void **);
      size_t *image_size = va_arg(arguments, size_t *);
      auto *buffer = static_cast<uint8_t *>(allocate(size));
      write_image(root, buffer);
      *image = buffer;
      *image_size = size;
    }
  } else {
    *va_arg(arguments, size_t *) = size;
  }
  va_end(arguments);
  return result;
}
