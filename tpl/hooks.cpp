// The engine's hooks table and its defaults.
#include "tpl/tpl.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace {

__attribute__((format(printf, 1, 2))) int report_to_stderr(const char *format, ...)
{
  va_list arguments;
  va_start(arguments, format);
  const int written = tpl_vemit(2, format, arguments);
  va_end(arguments);
  return written;
}

__attribute__((format(printf, 1, 2))) void fatal_and_exit(const char *format, ...)
{
  char message[100];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  tpl_hook.report_error("%s", message);
  std::exit(-1);
}

} // namespace

tpl_hook_t tpl_hook = {
    report_to_stderr, std::malloc, std::realloc, std::free, fatal_and_exit, 0,
};
