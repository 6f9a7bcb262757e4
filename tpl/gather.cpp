// Gathering: splits a stream (a descriptor or memory chunks) into complete images.
#include "tpl/mapping.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <poll.h>
#include <unistd.h>

struct tpl_gather_t {
  explicit tpl_gather_t(int gather_mode) : mode(gather_mode) {}
  int mode;
  tpl::Bytes held;        // the partial image received so far
  size_t image_size = 0;  // its size, once its 8-byte prefix has arrived
};

namespace tpl {
namespace {

constexpr size_t prefix_bytes = 8;

enum class Prefix { valid, invalid, too_long };

// The magic, the flags and the size field of an image's first 8 bytes.
Prefix read_prefix(const uint8_t *prefix, size_t &size)
{
  if (std::memcmp(prefix, "tpl", 3) != 0 || (prefix[3] & ~0x03u) != 0) return Prefix::invalid;
  uint32_t field;
  std::memcpy(&field, prefix + 4, 4);
  if (((prefix[3] & 0x01) != 0) != host_big_endian) field = __builtin_bswap32(field);
  if (field <= prefix_bytes) return Prefix::invalid;
  size = field;
  if (tpl_hook.gather_limit > 0 && size > static_cast<size_t>(tpl_hook.gather_limit)) return Prefix::too_long;
  return Prefix::valid;
}

// Reads exactly n bytes unless the input ends first; -1 on a read error.
ssize_t read_fully(int file, uint8_t *out, size_t n)
{
  size_t got = 0;
  while (got < n) {
    const ssize_t r = read(file, out + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
    } else if (r == 0) {
      break;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd readable{file, POLLIN, 0};
      poll(&readable, 1, -1);
    } else if (errno != EINTR) {
      return -1;
    }
  }
  return static_cast<ssize_t>(got);
}

int gather_failed(const char *message)
{
  report(message);
  return -1;
}

// Feeds a chunk of the stream; the callback sees every image it completes.
int consume(tpl_gather_t &state, const uint8_t *chunk, size_t length, tpl_gather_cb *callback, void *data,
            const char *aborted)
{
  while (length != 0) {
    size_t size;
    if (state.held.size() == 0 && length >= prefix_bytes) {
      const Prefix prefix = read_prefix(chunk, size);
      if (prefix == Prefix::invalid) return gather_failed("tpl prefix invalid\n");
      if (prefix == Prefix::too_long) {
        report("tpl exceeds max length %d\n", tpl_hook.gather_limit);
        return -1;
      }
      if (length >= size) {
        if (callback(const_cast<uint8_t *>(chunk), size, data) < 0) return gather_failed(aborted);
        chunk += size;
        length -= size;
        continue;
      }
      state.image_size = size;
    }
    const size_t wanted = state.held.size() < prefix_bytes ? prefix_bytes : state.image_size;
    const size_t take = wanted - state.held.size() < length ? wanted - state.held.size() : length;
    state.held.append(chunk, take);
    chunk += take;
    length -= take;
    if (state.held.size() == prefix_bytes && state.image_size == 0) {
      const Prefix prefix = read_prefix(state.held.data(), size);
      if (prefix == Prefix::invalid) return gather_failed("tpl prefix invalid\n");
      if (prefix == Prefix::too_long) {
        report("tpl exceeds max length %d\n", tpl_hook.gather_limit);
        return -1;
      }
      state.image_size = size;
    } else if (state.held.size() == state.image_size) {
      const int verdict = callback(const_cast<uint8_t *>(state.held.data()), state.image_size, data);
      state.held.clear();
      state.image_size = 0;
      if (verdict < 0) return gather_failed(aborted);
    }
  }
  return 1;
}

tpl_gather_t *state_for(tpl_gather_t **state, int mode)
{
  if (*state == nullptr) *state = create<tpl_gather_t>(mode);
  return *state;
}

int finish(tpl_gather_t **state, int result)
{
  destroy(*state);
  *state = nullptr;
  return result;
}

int end_of_stream(tpl_gather_t **state)
{
  if ((*state)->held.size() != 0) {
    report("tpl_gather: partial tpl image precedes EOF\n");
    return finish(state, -1);
  }
  return finish(state, 0);
}

int fd_gather(int file, tpl_gather_t **slot, tpl_gather_cb *callback, void *data)
{
  tpl_gather_t *state = state_for(slot, TPL_GATHER_NONBLOCKING);
  if (state->mode != TPL_GATHER_NONBLOCKING) return finish(slot, gather_failed("internal error\n"));
  uint8_t chunk[16384];
  for (;;) {
    const ssize_t r = read(file, chunk, sizeof chunk);
    if (r == 0) return end_of_stream(slot);
    if (r < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return 1;
      report("tpl_gather failed: %s\n", std::strerror(errno));
      return finish(slot, -1);
    }
    if (consume(*state, chunk, static_cast<size_t>(r), callback, data, "tpl_fd_gather aborted by app callback\n") < 0)
      return finish(slot, -1);
  }
}

int mem_gather(const void *chunk, size_t length, tpl_gather_t **slot, tpl_gather_cb *callback, void *data)
{
  tpl_gather_t *state = state_for(slot, TPL_GATHER_MEM);
  if (state->mode != TPL_GATHER_MEM) return finish(slot, gather_failed("internal error\n"));
  if (length == 0) return end_of_stream(slot);
  if (consume(*state, static_cast<const uint8_t *>(chunk), length, callback, data,
              "tpl_mem_gather aborted by app callback\n") < 0)
    return finish(slot, -1);
  return 1;
}

} // namespace

int gather_blocking(int file, void **image, size_t *size)
{
  uint8_t prefix[prefix_bytes];
  const ssize_t got = read_fully(file, prefix, prefix_bytes);
  if (got < 0) {
    report("tpl_gather_fd_blocking failed: %s\n", std::strerror(errno));
    return -1;
  }
  if (got == 0) return 0;
  if (static_cast<size_t>(got) < prefix_bytes) return gather_failed("tpl_gather: partial tpl image precedes EOF\n");
  size_t image_size;
  const Prefix verdict = read_prefix(prefix, image_size);
  if (verdict == Prefix::invalid) return gather_failed("tpl_gather_fd_blocking: non-tpl input\n");
  if (verdict == Prefix::too_long) {
    report("tpl exceeds max length %d\n", tpl_hook.gather_limit);
    return -1;
  }
  auto *buffer = static_cast<uint8_t *>(allocate(image_size));
  std::memcpy(buffer, prefix, prefix_bytes);
  const ssize_t rest = read_fully(file, buffer + prefix_bytes, image_size - prefix_bytes);
  if (rest < 0 || static_cast<size_t>(rest) < image_size - prefix_bytes) {
    const int error = errno;
    release(buffer);
    if (rest < 0) {
      report("tpl_gather_fd_blocking failed: %s\n", std::strerror(error));
      return -1;
    }
    return gather_failed("tpl_gather: partial tpl image precedes EOF\n");
  }
  *image = buffer;
  *size = image_size;
  return 1;
}

} // namespace tpl

using namespace tpl;

extern "C" int tpl_gather(int mode, ...)
{
  va_list arguments;
  va_start(arguments, mode);
  int result;
  if (mode == TPL_GATHER_BLOCKING) {
    const int file = va_arg(arguments, int);
    void **image = va_arg(arguments, void **);
    result = gather_blocking(file, image, va_arg(arguments, size_t *));
  } else if (mode == TPL_GATHER_NONBLOCKING) {
    const int file = va_arg(arguments, int);
    tpl_gather_t **state = va_arg(arguments, tpl_gather_t **);
    tpl_gather_cb *callback = va_arg(arguments, tpl_gather_cb *);
    result = fd_gather(file, state, callback, va_arg(arguments, void *));
  } else if (mode == TPL_GATHER_MEM) {
    const void *chunk = va_arg(arguments, const void *);
    const size_t length = va_arg(arguments, size_t);
    tpl_gather_t **state = va_arg(arguments, tpl_gather_t **);
    tpl_gather_cb *callback = va_arg(arguments, tpl_gather_cb *);
    result = mem_gather(chunk, length, state, callback, va_arg(arguments, void *));
  } else {
    va_end(arguments);
    fatal("unsupported tpl_gather mode %d\n", mode);
  }
  va_end(arguments);
  return result;
}
