// tpl_jot: bind, pack and dump in one call.
#include "tpl/mapping.h"

#include <cstdarg>

using namespace tpl;

extern "C" int tpl_jot(int mode, ...)
{
  if (mode != TPL_ON_FILE && mode != TPL_IN_MEM && mode != TPL_ON_FD) fatal("invalid tpl_jot mode\n");
  va_list arguments;
  va_start(arguments, mode);
  const char *path = nullptr;
  void **image = nullptr;
  size_t *size = nullptr;
  int file = -1;
  if (mode == TPL_ON_FILE) {
    path = va_arg(arguments, const char *);
  } else if (mode == TPL_IN_MEM) {
    image = va_arg(arguments, void **);
    size = va_arg(arguments, size_t *);
  } else {
    file = va_arg(arguments, int);
  }
  const char *type_string = va_arg(arguments, const char *);
  tpl_node *root = tpl_vbind(type_string, arguments);
  va_end(arguments);
  if (root == nullptr) return -1;
  int result = tpl_pack(root, 0);
  if (result == 0) {
    if (mode == TPL_ON_FILE)
      result = tpl_dump(root, mode, path);
    else if (mode == TPL_IN_MEM)
      result = tpl_dump(root, mode, image, size);
    else
      result = tpl_dump(root, mode, file);
  }
  tpl_release(root);
  return result;
}
