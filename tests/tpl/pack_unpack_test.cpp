// Packing and unpacking: worked images, strings, byte buffers, arrays and their order.
#include "tpl_test_support.h"

#include <cstring>

namespace {

TEST(PackUnpack, FixedArrayWorkedImage)
{
  int32_t values[2] = {1, 2};
  tpl_node *root = tpl_bind("i#", values, 2);
  ASSERT_EQ(tpl_pack(root, 0), 0);
  EXPECT_EQ(dump_image(root), (Bytes{0x74, 0x70, 0x6C, 0x00, 0x17, 0x00, 0x00, 0x00, 0x69, 0x23, 0x00, 0x02,
                                     0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00}));
  tpl_release(root);
}

TEST(PackUnpack, VariableArrayWorkedImageAndCountdown)
{
  int32_t value = 0;
  tpl_node *root = tpl_bind("A(i)", &value);
  for (int32_t v : {7, 9}) {
    value = v;
    ASSERT_EQ(tpl_pack(root, 1), 0);
  }
  const Bytes image = dump_image(root);
  EXPECT_EQ(image, (Bytes{0x74, 0x70, 0x6C, 0x00, 0x19, 0x00, 0x00, 0x00, 0x41, 0x28, 0x69, 0x29, 0x00,
                          0x02, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00}));
  tpl_release(root);

  Bytes three = {0x74, 0x70, 0x6C, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x41, 0x28, 0x69, 0x29, 0x00, 0x03, 0x00,
                 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x00, 0x00};
  root = tpl_bind("A(i)", &value);
  ASSERT_EQ(load_image(root, three), 0);
  EXPECT_EQ(tpl_array_count(root, 1), 3);
  for (int32_t left : {3, 2, 1}) {
    EXPECT_EQ(tpl_unpack(root, 1), left);
    EXPECT_EQ(value, 11 + 3 - left);
  }
  EXPECT_EQ(tpl_unpack(root, 1), 0);
  EXPECT_EQ(tpl_array_count(root, 1), 0);
  tpl_release(root);
}

TEST(PackUnpack, StringWorkedImages)
{
  struct Case {
    const char *string;
    Bytes image;
  } cases[] = {
      {"ab", {0x74, 0x70, 0x6C, 0x02, 0x10, 0x00, 0x00, 0x00, 0x73, 0x00, 0x03, 0x00, 0x00, 0x00, 0x61, 0x62}},
      {"", {0x74, 0x70, 0x6C, 0x02, 0x0E, 0x00, 0x00, 0x00, 0x73, 0x00, 0x01, 0x00, 0x00, 0x00}},
      {nullptr, {0x74, 0x70, 0x6C, 0x02, 0x0E, 0x00, 0x00, 0x00, 0x73, 0x00, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const Case &c : cases) {
    const char *string = c.string;
    tpl_node *root = tpl_bind("s", &string);
    tpl_pack(root, 0);
    EXPECT_EQ(dump_image(root), c.image);
    tpl_release(root);

    char *out = const_cast<char *>("untouched");
    root = tpl_bind("s", &out);
    ASSERT_EQ(load_image(root, c.image), 0);
    EXPECT_EQ(tpl_unpack(root, 0), 1);
    Released owned(out);
    if (c.string == nullptr)
      EXPECT_EQ(out, nullptr);
    else
      EXPECT_STREQ(out, c.string);
    tpl_release(root);
  }
}

TEST(PackUnpack, EveryNumericTypeRoundTrips)
{
  struct Values {
    int32_t i;
    uint32_t u;
    uint8_t c;
    double f;
    int64_t I;
    uint64_t U;
    int16_t j;
    uint16_t v;
  } in = {-5, 0xFFFFFFFEu, 0xC3, -0.125, INT64_MIN, UINT64_MAX - 1, -32768, 65535}, out = {};
  tpl_node *writer = tpl_bind("iucfIUjv", &in.i, &in.u, &in.c, &in.f, &in.I, &in.U, &in.j, &in.v);
  tpl_pack(writer, 0);
  const Bytes image = dump_image(writer);
  tpl_release(writer);
  EXPECT_EQ(image.size(), 8u + 9u + 4 + 4 + 1 + 8 + 8 + 8 + 2 + 2);
  tpl_node *reader = tpl_bind("iucfIUjv", &out.i, &out.u, &out.c, &out.f, &out.I, &out.U, &out.j, &out.v);
  ASSERT_EQ(load_image(reader, image), 0);
  tpl_unpack(reader, 0);
  tpl_release(reader);
  EXPECT_EQ(out.i, in.i);
  EXPECT_EQ(out.u, in.u);
  EXPECT_EQ(out.c, in.c);
  EXPECT_EQ(out.f, in.f);
  EXPECT_EQ(out.I, in.I);
  EXPECT_EQ(out.U, in.U);
  EXPECT_EQ(out.j, in.j);
  EXPECT_EQ(out.v, in.v);
}

TEST(PackUnpack, ByteBuffers)
{
  tpl_bin in = {const_cast<char *>("hello"), 5};
  tpl_node *root = tpl_bind("B", &in);
  tpl_pack(root, 0);
  const Bytes image = dump_image(root);
  EXPECT_EQ(image, (Bytes{0x74, 0x70, 0x6C, 0x00, 0x13, 0x00, 0x00, 0x00, 0x42, 0x00, 0x05, 0x00, 0x00, 0x00,
                          0x68, 0x65, 0x6C, 0x6C, 0x6F}));
  in = {nullptr, 99}; // a null buffer counts as empty
  tpl_pack(root, 0);
  EXPECT_EQ(dump_image(root).size(), 14u);
  tpl_release(root);

  tpl_bin out = {nullptr, 0};
  root = tpl_bind("B", &out);
  ASSERT_EQ(load_image(root, image), 0);
  tpl_unpack(root, 0);
  Released owned(out.address);
  ASSERT_EQ(out.length, 5u);
  EXPECT_EQ(std::memcmp(out.address, "hello", 5), 0);
  tpl_release(root);
}

// Inner arrays are packed before the outer element that holds them.
TEST(PackUnpack, NestedArrays)
{
  int32_t i = 0;
  char c = 0;
  tpl_node *root = tpl_bind("A(iA(c))", &i, &c);
  i = 1;
  for (char ch : {'x', 'y'}) {
    c = ch;
    tpl_pack(root, 2);
  }
  tpl_pack(root, 1);
  i = 2;
  tpl_pack(root, 1);
  const Bytes image = dump_image(root);
  EXPECT_EQ(image, (Bytes{0x74, 0x70, 0x6C, 0x00, 0x27, 0x00, 0x00, 0x00, 0x41, 0x28, 0x69, 0x41, 0x28,
                          0x63, 0x29, 0x29, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02,
                          0x00, 0x00, 0x00, 0x78, 0x79, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  tpl_release(root);

  root = tpl_bind("A(iA(c))", &i, &c);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EQ(tpl_unpack(root, 1), 2);
  EXPECT_EQ(i, 1);
  EXPECT_EQ(tpl_unpack(root, 2), 2);
  EXPECT_EQ(c, 'x');
  EXPECT_EQ(tpl_unpack(root, 1), 1); // the rest of the inner array is skipped
  EXPECT_EQ(i, 2);
  EXPECT_EQ(tpl_unpack(root, 2), 0);
  tpl_release(root);
}

TEST(PackUnpack, InnerArrayBeforeItsParentEndsTheProcess)
{
  int32_t i = 0;
  char c = 0;
  const Bytes image = {0x74, 0x70, 0x6C, 0x00, 0x27, 0x00, 0x00, 0x00, 0x41, 0x28, 0x69, 0x41, 0x28,
                       0x63, 0x29, 0x29, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02,
                       0x00, 0x00, 0x00, 0x78, 0x79, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  tpl_node *root = tpl_bind("A(iA(c))", &i, &c);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EXIT(tpl_unpack(root, 2), testing::ExitedWithCode(255), "must unpack parent of node before node itself\n");
  tpl_release(root);
}

TEST(PackUnpack, ArraysOfStringsAndStructuresWithStrings)
{
  struct Record {
    int32_t id;
    char *name;
  };
  Record records[2] = {{1, const_cast<char *>("one")}, {2, nullptr}};
  const char *label = "tag";
  tpl_node *root = tpl_bind("A(sS(is)#)", &label, records, 2);
  tpl_pack(root, 1);
  label = nullptr;
  records[1].name = const_cast<char *>("");
  tpl_pack(root, 1);
  const Bytes image = dump_image(root);
  tpl_release(root);

  Record out[2] = {};
  char *out_label = nullptr;
  root = tpl_bind("A(sS(is)#)", &out_label, out, 2);
  ASSERT_EQ(load_image(root, image), 0);
  ASSERT_EQ(tpl_unpack(root, 1), 2);
  EXPECT_STREQ(out_label, "tag");
  EXPECT_STREQ(out[0].name, "one");
  EXPECT_EQ(out[1].name, nullptr);
  EXPECT_EQ(out[1].id, 2);
  tpl_hook.release(out_label);
  tpl_hook.release(out[0].name);
  ASSERT_EQ(tpl_unpack(root, 1), 1);
  EXPECT_EQ(out_label, nullptr);
  EXPECT_STREQ(out[1].name, "");
  tpl_hook.release(out[0].name);
  tpl_hook.release(out[1].name);
  tpl_release(root);
}

TEST(PackUnpack, InvalidIndexes)
{
  Messages messages;
  int32_t a = 0, b = 0;
  tpl_node *root = tpl_bind("A(i)A(i)", &a, &b);
  EXPECT_EQ(tpl_pack(root, 5), -1);
  EXPECT_EQ(messages.take(), "invalid index 5 to tpl_pack\n");
  EXPECT_EQ(tpl_pack(root, -1), -1);
  EXPECT_EQ(messages.take(), "invalid index -1 to tpl_pack\n");
  tpl_pack(root, 2);
  EXPECT_EQ(tpl_unpack(root, 3), -1);
  EXPECT_EQ(messages.take(), "invalid index 3 to tpl_unpack\n");
  EXPECT_EQ(tpl_array_count(root, 3), -1);
  EXPECT_EQ(messages.take(), "invalid index 3 to tpl_unpack\n");
  EXPECT_EQ(tpl_array_count(root, 0), -1);
  EXPECT_EQ(tpl_array_count(root, 2), 1);
  EXPECT_EQ(messages.take(), "");
  tpl_release(root);
}

TEST(PackUnpack, UnpackingAPackedMappingReadsItsOwnImage)
{
  const char *in = "copy me";
  int32_t n = 42;
  tpl_node *root = tpl_bind("is", &n, &in);
  tpl_pack(root, 0);
  n = 0;
  in = nullptr;
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  Released owned(const_cast<char *>(in));
  EXPECT_EQ(n, 42);
  EXPECT_STREQ(in, "copy me");
  Messages messages;
  EXPECT_EQ(tpl_dump(root, TPL_SIZE_ONLY, &n), -1); // it is loaded now
  EXPECT_EQ(messages.take(), "error: tpl_dump called for a loaded tpl\n");
  tpl_release(root);
}

TEST(PackUnpack, FreshMappingDumpsZerosAndUnpackWithoutImageFails)
{
  int32_t n = 7;
  const char *s = "unused";
  tpl_node *root = tpl_bind("isA(i)", &n, &s, &n);
  EXPECT_EQ(dump_image(root), (Bytes{0x74, 0x70, 0x6C, 0x02, 0x1B, 0x00, 0x00, 0x00, 0x69, 0x73, 0x41, 0x28, 0x69,
                                     0x29, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0x00, 0x00}));
  Messages messages;
  EXPECT_EQ(tpl_unpack(root, 0), -1);
  EXPECT_EQ(messages.take(), "tpl_unpack: no image loaded\n");
  EXPECT_EQ(tpl_unpack(root, 1), -1);
  tpl_release(root);
}

TEST(PackUnpack, PackingAgainReplacesThePackedValues)
{
  const char *s = "first";
  tpl_bin b = {const_cast<char *>("xy"), 2};
  tpl_node *root = tpl_bind("sB", &s, &b);
  tpl_pack(root, 0);
  s = "second";
  b.length = 1;
  tpl_pack(root, 0);
  EXPECT_EQ(dump_image(root), (Bytes{0x74, 0x70, 0x6C, 0x02, 0x1A, 0x00, 0x00, 0x00, 0x73, 0x42, 0x00, 0x07,
                                     0x00, 0x00, 0x00, 0x73, 0x65, 0x63, 0x6F, 0x6E, 0x64, 0x01, 0x00, 0x00, 0x00, 0x78}));
  tpl_release(root);
}

// The spectrum library decodes an image into the very buffer that holds it.
TEST(PackUnpack, DecodingIntoTheBufferThatHoldsTheImage)
{
  struct Record {
    uint8_t c;
    uint16_t v;
    double f[2];
    int32_t i;
  };
  Record in = {5, 0x1234, {3.5, -7.25}, -99};
  tpl_node *writer = tpl_bind("S(cvf#i)", &in, 2);
  tpl_pack(writer, 0);
  const Bytes image = dump_image(writer);
  tpl_release(writer);
  alignas(8) uint8_t buffer[128] = {};
  std::memcpy(buffer, image.data(), image.size());
  tpl_node *reader = tpl_bind("S(cvf#i)", buffer, 2);
  ASSERT_EQ(tpl_load(reader, TPL_IN_MEM | TPL_ALLOW_EXCESS, buffer, sizeof buffer), 0);
  EXPECT_EQ(tpl_unpack(reader, 0), 1);
  tpl_release(reader);
  Record out;
  std::memcpy(&out, buffer, sizeof out);
  EXPECT_EQ(out.c, 5);
  EXPECT_EQ(out.v, 0x1234);
  EXPECT_EQ(out.f[0], 3.5);
  EXPECT_EQ(out.f[1], -7.25);
  EXPECT_EQ(out.i, -99);
}

TEST(PackUnpack, PackingALoadedMappingStartsAfresh)
{
  int32_t value = 0;
  const Bytes two = {0x74, 0x70, 0x6C, 0x00, 0x19, 0x00, 0x00, 0x00, 0x41, 0x28, 0x69, 0x29, 0x00,
                     0x02, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00};
  tpl_node *root = tpl_bind("A(i)", &value);
  ASSERT_EQ(load_image(root, two), 0);
  value = 5;
  tpl_pack(root, 1);
  EXPECT_EQ(tpl_array_count(root, 1), 1);
  EXPECT_EQ(dump_image(root).size(), 21u);
  tpl_release(root);
}

} // namespace

namespace {

// Unpacking reads the caller's buffer again; lengths changed since the load stay inside it.
TEST(PackUnpack, ImageChangedAfterLoadingFailsInsteadOfReadingPastIt)
{
  Messages messages;
  Bytes image = {0x74, 0x70, 0x6C, 0x02, 0x17, 0x00, 0x00, 0x00, 0x41, 0x28, 0x73, 0x29,
                 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x61, 0x62};
  char *s = nullptr;
  tpl_node *root = tpl_bind("A(s)", &s);
  ASSERT_EQ(load_image(root, image), 0);
  image[17] = 0xFF;
  EXPECT_EQ(tpl_unpack(root, 1), -1);
  EXPECT_EQ(messages.take(), "tpl_unpack: image changed after loading\n");
  EXPECT_EQ(s, nullptr);
  tpl_release(root);
}

} // namespace
