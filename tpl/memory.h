// Memory and messages of the engine, all through the hooks table.
#ifndef ZEL_TPL_MEMORY_H
#define ZEL_TPL_MEMORY_H

#include "tpl/tpl.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace tpl {

template <class... Args> void report(const char *format, Args... arguments)
{
  tpl_hook.report_error(format, arguments...);
}

// A fatal hook that returns does not let the engine continue past the failed step.
template <class... Args> [[noreturn]] void fatal(const char *format, Args... arguments)
{
  tpl_hook.fatal_error(format, arguments...);
  std::exit(-1);
}

inline void *allocate(size_t size)
{
  void *memory = tpl_hook.allocate(size == 0 ? 1 : size);
  if (memory == nullptr) fatal("out of memory\n");
  return memory;
}

inline void *reallocate(void *memory, size_t size)
{
  void *grown = tpl_hook.reallocate(memory, size == 0 ? 1 : size);
  if (grown == nullptr) fatal("out of memory\n");
  return grown;
}

inline void release(void *memory)
{
  if (memory != nullptr) tpl_hook.release(memory);
}

template <class T, class... Args> T *create(Args &&...arguments)
{
  return new (allocate(sizeof(T))) T(static_cast<Args &&>(arguments)...);
}

template <class T> void destroy(T *object)
{
  if (object == nullptr) return;
  object->~T();
  release(object);
}

template <class T> struct HookAllocator {
  using value_type = T;
  HookAllocator() = default;
  template <class U> HookAllocator(const HookAllocator<U> &) {}
  T *allocate(size_t n) { return static_cast<T *>(tpl::allocate(n * sizeof(T))); }
  void deallocate(T *p, size_t) { tpl::release(p); }
  template <class U> bool operator==(const HookAllocator<U> &) const { return true; }
};

template <class T> using Vector = std::vector<T, HookAllocator<T>>;

// A growable byte buffer; growth goes through the reallocate hook.
class Bytes {
public:
  Bytes() = default;
  Bytes(const Bytes &) = delete;
  Bytes &operator=(const Bytes &) = delete;
  ~Bytes() { release(data_); }

  const uint8_t *data() const { return data_; }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }

  // Room for n more bytes at the end; the caller fills them.
  uint8_t *extend(size_t n)
  {
    if (capacity_ - size_ < n) grow(n);
    uint8_t *end = data_ + size_;
    size_ += n;
    return end;
  }
  void append(const void *bytes, size_t n)
  {
    if (n != 0) std::memcpy(extend(n), bytes, n);
  }
  void append_u32(uint32_t value) { std::memcpy(extend(4), &value, 4); }
  void reserve(size_t n)
  {
    if (capacity_ - size_ < n) grow(n);
  }

private:
  void grow(size_t n)
  {
    size_t capacity = capacity_ < 64 ? 64 : capacity_;
    while (capacity - size_ < n) capacity *= 2;
    data_ = static_cast<uint8_t *>(reallocate(data_, capacity));
    capacity_ = capacity;
  }

  uint8_t *data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

} // namespace tpl

#endif
