// The per-thread sink of diagnostic lines.
#include "tpl/tpl.h"

#include <cstdio>
#include <vector>

namespace {

struct Sink {
  tpl_sink_fn *write = nullptr;
  void *context = nullptr;
};

thread_local Sink threadSink;

} // namespace

void tpl_set_thread_sink(tpl_sink_fn *sink, void *context)
{
  threadSink = Sink{sink, context};
}

int tpl_vemit(int stream, const char *format, va_list arguments)
{
  if (threadSink.write == nullptr) {
    return std::vfprintf(stream == 2 ? stderr : stdout, format, arguments);
  }
  va_list measure;
  va_copy(measure, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) {
    return length;
  }
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, arguments);
  threadSink.write(threadSink.context, stream, text.data());
  return length;
}

int tpl_emit(int stream, const char *format, ...)
{
  va_list arguments;
  va_start(arguments, format);
  const int written = tpl_vemit(stream, format, arguments);
  va_end(arguments);
  return written;
}
