// Helpers for the engine's tests: captured messages and literal images.
#ifndef ZEL_TESTS_TPL_SUPPORT_H
#define ZEL_TESTS_TPL_SUPPORT_H

#include "tpl/tpl.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Collects every message the engine reports while a test runs.
class Messages {
public:
  Messages()
  {
    saved_ = tpl_hook;
    text().clear();
    tpl_hook.report_error = capture;
  }
  ~Messages() { tpl_hook = saved_; }
  Messages(const Messages &) = delete;
  Messages &operator=(const Messages &) = delete;

  std::string take()
  {
    std::string all = text();
    text().clear();
    return all;
  }

private:
  static std::string &text()
  {
    static std::string collected;
    return collected;
  }
  __attribute__((format(printf, 1, 2))) static int capture(const char *format, ...)
  {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    text() += line;
    return n;
  }
  tpl_hook_t saved_;
};

// An image dumped into a new buffer, as a vector.
inline Bytes dump_image(tpl_node *root)
{
  void *image = nullptr;
  size_t size = 0;
  EXPECT_EQ(tpl_dump(root, TPL_IN_MEM, &image, &size), 0);
  Bytes bytes(static_cast<uint8_t *>(image), static_cast<uint8_t *>(image) + size);
  tpl_hook.release(image);
  return bytes;
}

inline int load_image(tpl_node *root, const Bytes &image, int extra_flags = 0)
{
  return tpl_load(root, TPL_IN_MEM | extra_flags, image.data(), image.size());
}

// Owns what unpacking hands to the caller.
struct Released {
  void *pointer;
  explicit Released(void *p) : pointer(p) {}
  ~Released() { tpl_hook.release(pointer); }
};

#endif
