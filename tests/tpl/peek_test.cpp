// Peeking at images, and reading images written in the other byte order.
#include "tpl_test_support.h"

#include <cstring>

namespace {

// S(cv) holding c = 0x41 and v = 0x0102.
const Bytes struct_image = {0x74, 0x70, 0x6C, 0x00, 0x11, 0x00, 0x00, 0x00, 0x53, 0x28,
                            0x63, 0x76, 0x29, 0x00, 0x41, 0x02, 0x01};

TEST(Peek, TypeString)
{
  Messages messages;
  char *type_string = tpl_peek(TPL_IN_MEM, struct_image.data(), struct_image.size());
  Released owned(type_string);
  EXPECT_STREQ(type_string, "S(cv)");
  EXPECT_EQ(messages.take(), "");
}

TEST(Peek, FirstDataByte)
{
  Messages messages;
  uint8_t c = 0;
  char *type_string = tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, struct_image.data(), struct_image.size(), "c", &c);
  Released owned(type_string);
  EXPECT_STREQ(type_string, "S(cv)");
  EXPECT_EQ(c, 0x41);
  uint16_t v = 0;
  char *both = tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, struct_image.data(), struct_image.size(), "cv", &c, &v);
  Released owned_both(both);
  EXPECT_EQ(v, 0x0102);
  EXPECT_EQ(messages.take(), "");
}

struct Refused {
  int mode;
  const char *format;
  Bytes image;
  const char *message;
};

TEST(Peek, RefusedPeeks)
{
  Messages messages;
  const Refused cases[] = {
      {TPL_IN_MEM | TPL_DATAPEEK, "f", struct_image, "TPL_DATAPEEK format mismatches tpl iamge\n"},
      {TPL_IN_MEM | TPL_DATAPEEK, "c#", struct_image, "invalid TPL_DATAPEEK format: c#\n"},
      {TPL_IN_MEM | TPL_DATAPEEK, "cv", Bytes(struct_image.begin(), struct_image.end() - 1),
       "tpl_peek: tpl has insufficient length\n"},
      {TPL_IN_MEM, "", Bytes(struct_image.begin(), struct_image.begin() + 6), ""},
      {TPL_IN_MEM, "", Bytes{0x54, 0x50, 0x4C, 0x00, 0x11, 0x00, 0x00, 0x00, 0x53, 0x00}, ""},
      {TPL_IN_MEM, "", Bytes(struct_image.begin(), struct_image.begin() + 12), ""},
      {TPL_ALLOW_EXCESS, "", struct_image, "unsupported tpl_peek mode 8\n"},
  };
  for (const Refused &c : cases) {
    uint8_t byte = 0x5A;
    uint16_t word = 0x5A5A;
    EXPECT_EQ(tpl_peek(c.mode, c.image.data(), c.image.size(), c.format, &byte, &word), nullptr) << c.message;
    EXPECT_EQ(messages.take(), c.message);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(word, 0x5A5A);
  }
  uint32_t count;
  uint32_t *dimensions;
  EXPECT_EQ(tpl_peek(TPL_IN_MEM | TPL_FXLENS | TPL_DATAPEEK, struct_image.data(), struct_image.size(), &count,
                     &dimensions),
            nullptr);
  EXPECT_EQ(messages.take(), "TPL_FXLENS and TPL_DATAPEEK mutually exclusive\n");
}

TEST(Peek, Dimensions)
{
  const Bytes image = {0x74, 0x70, 0x6C, 0x00, 0x18, 0x00, 0x00, 0x00, 0x76, 0x23, 0x23, 0x00,
                       0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 0x04, 0x00};
  uint32_t count = 99;
  uint32_t *dimensions = nullptr;
  char *type_string = tpl_peek(TPL_IN_MEM | TPL_FXLENS, image.data(), image.size(), &count, &dimensions);
  Released owned(type_string);
  Released owned_dimensions(dimensions);
  EXPECT_STREQ(type_string, "v##");
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(dimensions[0], 2u);
  EXPECT_EQ(dimensions[1], 1u);

  // Too short for its dimensions: the type string, and no dimensions.
  char *short_one = tpl_peek(TPL_IN_MEM | TPL_FXLENS, image.data(), size_t{16}, &count, &dimensions);
  Released owned_short(short_one);
  EXPECT_STREQ(short_one, "v##");
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(dimensions, nullptr);
}

TEST(Peek, StringValue)
{
  const Bytes image = {0x74, 0x70, 0x6C, 0x02, 0x15, 0x00, 0x00, 0x00, 0x73, 0x69, 0x00,
                       0x03, 0x00, 0x00, 0x00, 0x68, 0x69, 0x07, 0x00, 0x00, 0x00};
  char *s = nullptr;
  char *type_string = tpl_peek(TPL_IN_MEM | TPL_DATAPEEK, image.data(), image.size(), "s", &s);
  Released owned(type_string);
  Released owned_s(s);
  EXPECT_STREQ(s, "hi");
}

// Big-endian writers set flags bit 0; every count, length, dimension and value is reversed.
TEST(OtherByteOrder, FixedArray)
{
  const Bytes image = {0x74, 0x70, 0x6C, 0x01, 0x00, 0x00, 0x00, 0x17, 0x69, 0x23, 0x00, 0x00,
                       0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x80, 0x00, 0x00, 0x02};
  int32_t values[2] = {};
  tpl_node *root = tpl_bind("i#", values, 2);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[1], static_cast<int32_t>(0x80000002u));
  tpl_release(root);
}

TEST(OtherByteOrder, EveryKindOfItem)
{
  // "sfjA(vB)": "hi", 1.0, -2, then two elements {0x0102, "xy"} and {3, empty}.
  const Bytes image = {0x74, 0x70, 0x6C, 0x03, 0x00, 0x00, 0x00, 0x33, 0x73, 0x66, 0x6A, 0x41, 0x28, 0x76, 0x42,
                       0x29, 0x00, 0x00, 0x00, 0x00, 0x03, 0x68, 0x69, 0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00,
                       0x00, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x02, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x78, 0x79,
                       0x00, 0x03, 0x00, 0x00, 0x00, 0x00};
  char *s = nullptr;
  double f = 0;
  int16_t j = 0;
  uint16_t v = 0;
  tpl_bin b = {};
  tpl_node *root = tpl_bind("sfjA(vB)", &s, &f, &j, &v, &b);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  Released owned_s(s);
  EXPECT_STREQ(s, "hi");
  EXPECT_EQ(f, 1.0);
  EXPECT_EQ(j, -2);
  EXPECT_EQ(tpl_unpack(root, 1), 2);
  EXPECT_EQ(v, 0x0102);
  Released owned_b(b.address);
  ASSERT_EQ(b.length, 2u);
  EXPECT_EQ(std::memcmp(b.address, "xy", 2), 0);
  EXPECT_EQ(tpl_unpack(root, 1), 1);
  EXPECT_EQ(v, 3);
  EXPECT_EQ(b.address, nullptr);
  EXPECT_EQ(tpl_unpack(root, 1), 0);
  tpl_release(root);

  uint32_t count = 0;
  uint32_t *dimensions = nullptr;
  const Bytes dimensioned = {0x74, 0x70, 0x6C, 0x01, 0x00, 0x00, 0x00, 0x10, 0x63, 0x23, 0x00, 0x00,
                             0x00, 0x00, 0x01, 0x07};
  char *type_string = tpl_peek(TPL_IN_MEM | TPL_FXLENS, dimensioned.data(), dimensioned.size(), &count, &dimensions);
  Released owned_t(type_string);
  Released owned_d(dimensions);
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(dimensions[0], 1u);
}

// Writers without null strings store the plain character count (flags bit 1 clear).
TEST(OldStringFormat, LengthsAreCharacterCounts)
{
  const Bytes image = {0x74, 0x70, 0x6C, 0x00, 0x15, 0x00, 0x00, 0x00, 0x73, 0x73, 0x00,
                       0x02, 0x00, 0x00, 0x00, 0x61, 0x62, 0x00, 0x00, 0x00, 0x00};
  char *a = nullptr;
  char *b = nullptr;
  tpl_node *root = tpl_bind("ss", &a, &b);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  Released owned_a(a);
  Released owned_b(b);
  EXPECT_STREQ(a, "ab");
  ASSERT_NE(b, nullptr); // no null strings in this format
  EXPECT_STREQ(b, "");
  tpl_release(root);
}

} // namespace
