// Memory-mapped files for the file modes of load, dump and peek.
#ifndef ZEL_TPL_FILE_MAP_H
#define ZEL_TPL_FILE_MAP_H

#include <cstddef>
#include <cstdint>

namespace tpl {

struct MappedFile {
  const uint8_t *address = nullptr;
  size_t size = 0;
  int file = -1;
};

// Opens and maps a whole file read-only. With `report_steps` a failing step reports
// "Couldn't open file", "Couldn't stat file" or "Failed to mmap"; false on failure.
bool map_file(const char *path, bool report_steps, MappedFile &mapped);

// Unmaps (reporting "Failed to munmap: %s\n") and closes the file in any case.
void unmap_file(const uint8_t *address, size_t size, int file);

} // namespace tpl

#endif
