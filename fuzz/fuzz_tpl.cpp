// Arbitrary bytes as images: peeking, checking, loading, unpacking and gathering must stay
// inside the image and the variables, and must never take the fatal path.
#include "tpl/tpl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int quiet(const char *, ...) { return 0; }
void fatal_is_a_finding(const char *, ...) { std::abort(); }

void release_string(char *&string)
{
  tpl_hook.release(string);
  string = nullptr;
}

// Variables of every shape below; strings and byte buffers are freed after each unpack.
struct Variables {
  alignas(8) uint8_t record[4096];
  int32_t i;
  uint32_t u;
  uint8_t c;
  uint16_t v;
  int64_t I;
  double f;
  char *s;
  char *strings[3];
  tpl_bin bin;

  void release_owned()
  {
    release_string(s);
    for (char *&string : strings) release_string(string);
    tpl_hook.release(bin.address);
    bin = {nullptr, 0};
  }
};

tpl_node *bind_shape(unsigned shape, Variables &x, void *in_place)
{
  switch (shape) {
  case 0: return tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)", x.record, 20, 3, 3, 8, 8, 40, 864);
  case 1: return tpl_bind("S(cvc#c#vvcvv)", x.record, 8, 40);
  case 2: return tpl_bind("S(f#f#)", x.record, 3, 3);
  case 3: return tpl_bind("S(c#f#v##)", x.record, 19, 50, 19, 50);
  case 4: return tpl_bind("S(cvc#c#vc)", x.record, 8, 40);
  case 5: return tpl_bind("S(ccvvvv)#", x.record, 5);
  case 6: return tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccc)", x.record, 20, 3, 3, 8);
  case 7: return tpl_bind("i#", x.record, 864);
  case 8: return tpl_bind("A(iu)", &x.i, &x.u);
  case 9: return tpl_bind("A(sA(c))B", &x.s, &x.c, &x.bin);
  case 10: return tpl_bind("s#A(S(jv)#)", x.strings, 3, x.record, 2);
  case 11: return tpl_bind("S(is)#A(B)", x.record, 3, &x.bin);
  case 12: return tpl_bind("cIfA(A(A(v)))", &x.c, &x.I, &x.f, &x.v);
  case 13: return tpl_bind("A(S(c$(f)i)s)", x.record, &x.s);
  // The spectrum library's way: the record decoded into the buffer that holds the image.
  case 14: return tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)", in_place, 20, 3, 3, 8, 8, 40, 864);
  default: return tpl_bind("S(c#f#v##)", in_place, 19, 50, 19, 50);
  }
}

constexpr unsigned shape_count = 16;

// The strings inside the S records of shape 11 belong to the caller too.
void release_record_strings(unsigned shape, Variables &x)
{
  if (shape != 11) return;
  for (int r = 0; r < 3; ++r) {
    char *string = nullptr;
    std::memcpy(&string, x.record + 16 * r + 8, sizeof string);
    tpl_hook.release(string);
    string = nullptr;
    std::memcpy(x.record + 16 * r + 8, &string, sizeof string);
  }
}

// Unpacks the root, then every array element by element, outer elements first.
void unpack_all(tpl_node *root, unsigned shape, Variables &x, int arrays)
{
  if (tpl_unpack(root, 0) != 1) return;
  release_record_strings(shape, x);
  x.release_owned();
  for (int outer = 0; arrays >= 1 && tpl_unpack(root, 1) > 0 && outer < 100000; ++outer) {
    release_record_strings(shape, x);
    x.release_owned();
    for (int inner = 0; arrays >= 2 && tpl_unpack(root, 2) > 0 && inner < 100000; ++inner) {
      x.release_owned();
      for (int third = 0; arrays >= 3 && tpl_unpack(root, 3) > 0 && third < 100000; ++third) {
      }
    }
  }
}

int arrays_of(unsigned shape)
{
  switch (shape) {
  case 8:
  case 10:
  case 11:
  case 13: return 1;
  case 9: return 2;
  case 12: return 3;
  default: return 0;
  }
}

void peek(const uint8_t *image, size_t size)
{
  tpl_hook.release(tpl_peek(TPL_IN_MEM, image, size));
  uint32_t count = 0;
  uint32_t *dimensions = nullptr;
  tpl_hook.release(tpl_peek(TPL_IN_MEM | TPL_FXLENS, image, size, &count, &dimensions));
  tpl_hook.release(dimensions);
  uint8_t c;
  char *s = nullptr;
  uint16_t v;
  int32_t i;
  int64_t I;
  double f;
  tpl_hook.release(tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, image, size, "c", &c));
  tpl_hook.release(tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, image, size, "sviIf", &s, &v, &i, &I, &f));
  tpl_hook.release(s);
}

int count_image(void *, size_t, void *data)
{
  ++*static_cast<int *>(data);
  return 0;
}

void gather(const uint8_t *bytes, size_t size, size_t chunk)
{
  tpl_gather_t *state = nullptr;
  int images = 0;
  for (size_t at = 0; at < size; at += chunk) {
    const size_t length = size - at < chunk ? size - at : chunk;
    if (tpl_gather(TPL_GATHER_MEM, bytes + at, length, &state, count_image, &images) < 0) return;
  }
  tpl_gather(TPL_GATHER_MEM, bytes, size_t{0}, &state, count_image, &images);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  tpl_hook.report_error = quiet;
  tpl_hook.fatal_error = fatal_is_a_finding;
  if (size < 1) return 0;
  const unsigned shape = data[0] % shape_count;
  const bool allow_excess = (data[0] & 0x80) != 0;
  // An exact-size copy, so reading a byte past the image is caught.
  std::vector<uint8_t> image(data + 1, data + size);

  peek(image.data(), image.size());
  gather(image.data(), image.size(), 1 + data[0] % 7);

  static Variables x;
  std::memset(&x, 0, sizeof x);
  std::vector<uint8_t> in_place(image.size() < 4096 ? 4096 : image.size());
  if (!image.empty()) std::memcpy(in_place.data(), image.data(), image.size());
  void *own_buffer = in_place.data();
  tpl_node *root = bind_shape(shape, x, own_buffer);
  if (root == nullptr) std::abort();
  const int flags = TPL_IN_MEM | (allow_excess || shape >= 14 ? TPL_ALLOW_EXCESS : 0);
  const int loaded = shape >= 14 ? tpl_load(root, flags, in_place.data(), image.size())
                                 : tpl_load(root, flags, image.data(), image.size());
  if (loaded == 0) {
    tpl_check_image(root, allow_excess);
    unpack_all(root, shape, x, arrays_of(shape));
  }
  tpl_release(root);
  x.release_owned();
  return 0;
}
