// Memory-mapped files for the file modes of load, dump and peek.
#include "tpl/file_map.h"

#include "tpl/memory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tpl {

bool map_file(const char *path, bool report_steps, MappedFile &mapped)
{
  const int file = open(path, O_RDONLY | O_CLOEXEC);
  if (file < 0) {
    if (report_steps) report("Couldn't open file %s: %s\n", path, std::strerror(errno));
    return false;
  }
  struct stat status;
  if (fstat(file, &status) != 0) {
    if (report_steps) report("Couldn't stat file %s: %s\n", path, std::strerror(errno));
    close(file);
    return false;
  }
  const size_t size = static_cast<size_t>(status.st_size);
  void *address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
  if (address == MAP_FAILED) {
    if (report_steps) report("Failed to mmap %s: %s\n", path, std::strerror(errno));
    close(file);
    return false;
  }
  mapped = MappedFile{static_cast<const uint8_t *>(address), size, file};
  return true;
}

void unmap_file(const uint8_t *address, size_t size, int file)
{
  if (munmap(const_cast<uint8_t *>(address), size) != 0) report("Failed to munmap: %s\n", std::strerror(errno));
  close(file);
}

} // namespace tpl
