// Type strings: what binding accepts and rejects, the layout of records, and image sizes.
#include "tpl_test_support.h"

#include <cstring>

namespace {

struct Rejected {
  const char *type_string;
  const char *messages;
};

class RejectedTypeString : public testing::TestWithParam<Rejected> {};

TEST_P(RejectedTypeString, BindFailsWithItsMessages)
{
  Messages messages;
  int a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(tpl_bind(GetParam().type_string, &a, &b, &c, &d), nullptr);
  EXPECT_EQ(messages.take(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, RejectedTypeString,
    testing::Values(Rejected{"S(A(i))", "failed to parse S(A(i))\n"}, Rejected{"S(S(i))", "failed to parse S(S(i))\n"},
                    Rejected{"S(B)", "failed to parse S(B)\n"}, Rejected{"$(i)", "failed to parse $(i)\n"},
                    Rejected{"A($(i))", "failed to parse A($(i))\n"}, Rejected{"A()", "failed to parse A()\n"},
                    Rejected{"S()", "failed to parse S()\n"}, Rejected{"S(i$())", "failed to parse S(i$())\n"},
                    Rejected{"S(i", "failed to parse S(i\n"}, Rejected{"A(i", "failed to parse A(i\n"},
                    Rejected{"i)", "failed to parse i)\n"}, Rejected{"(i)", "failed to parse (i)\n"},
                    Rejected{"#", "failed to parse #\n"}, Rejected{"B#", "failed to parse B#\n"},
                    Rejected{"A(i)#", "failed to parse A(i)#\n"}, Rejected{"S(i$(c)#)", "failed to parse S(i$(c)#)\n"},
                    Rejected{"AS(i)", "failed to parse AS(i)\n"}, Rejected{"Ai", "failed to parse Ai\n"},
                    Rejected{"x", "unsupported option x\nfailed to parse x\n"},
                    Rejected{"i i", "unsupported option  \nfailed to parse i i\n"},
                    Rejected{"S(ix)", "unsupported option x\nfailed to parse S(ix)\n"},
                    Rejected{"Ax", "unsupported option x\nfailed to parse Ax\n"}));

TEST(TypeString, NestedGroupsAndArraysOfStructuresAreAccepted)
{
  struct {
    double f;
    int16_t j[2];
  } records[3] = {};
  int i = 0;
  tpl_node *root = tpl_bind("A(iS(f$(j#))#)", &i, records, 2, 3);
  ASSERT_NE(root, nullptr);
  tpl_release(root);
}

TEST(TypeString, TenDimensionsInARowAreAccepted)
{
  char c = 0;
  tpl_node *root = tpl_bind("c##########", &c, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tpl_ser_osz(root), 8u + 12u + 40u + 1u);
  tpl_release(root);
}

TEST(TypeString, ElevenDimensionsInARowEndTheProcess)
{
  char c = 0;
  EXPECT_EXIT(tpl_bind("c###########", &c, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1), testing::ExitedWithCode(255),
              "contiguous # exceeds hardcoded limit\n");
}

TEST(TypeString, NonPositiveDimensionEndsTheProcess)
{
  int v[1];
  EXPECT_EXIT(tpl_bind("i#", v, 0), testing::ExitedWithCode(255), "non-positive iteration count 0\n");
  EXPECT_EXIT(tpl_bind("i#", v, -3), testing::ExitedWithCode(255), "non-positive iteration count -3\n");
}

TEST(TypeString, ElementCountsBeyond32BitsAreRejected)
{
  Messages messages;
  char c = 0;
  EXPECT_EQ(tpl_bind("c##", &c, 65536, 65536), nullptr);
  EXPECT_EQ(messages.take(), "failed to parse c##\n");
}

// Sizes of the record images the spectrum library exchanges, each mapped fresh.
TEST(TypeString, RecordImageSizes)
{
  alignas(8) uint8_t record[4096] = {};
  struct Case {
    tpl_node *root;
    size_t size;
  } cases[] = {
      {tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)", record, 20, 3, 3, 8, 8, 40, 864), 3701},
      {tpl_bind("S(cvc#c#vvcvv)", record, 8, 40), 91},
      {tpl_bind("S(f#f#)", record, 3, 3), 72},
      {tpl_bind("S(c#f#v##)", record, 19, 50, 19, 50), 2354},
      {tpl_bind("S(cvc#c#vc)", record, 8, 40), 82},
      {tpl_bind("S(ccvvvv)#", record, 5), 73},
      {tpl_bind("S(uc#cccccccjjvvu$(f#f#)c#vccc)", record, 20, 3, 3, 8), 160},
      {tpl_bind("i#", record, 864), 3471},
  };
  for (const Case &c : cases) {
    ASSERT_NE(c.root, nullptr);
    EXPECT_EQ(tpl_ser_osz(c.root), c.size);
    tpl_release(c.root);
  }
}

// Each member of an S lies at its natural alignment; the image holds no padding.
TEST(TypeString, StructureMembersAreReadAtTheirAlignedOffsets)
{
  alignas(8) uint8_t record[62];
  for (int k = 0; k < 62; ++k) record[k] = static_cast<uint8_t>(k);
  tpl_node *root = tpl_bind("S(cvc#c#vvcvv)", record, 8, 40);
  ASSERT_EQ(tpl_pack(root, 0), 0);
  const Bytes image = dump_image(root);
  tpl_release(root);
  ASSERT_EQ(image.size(), 91u);
  // c@0, v@2, c#8@4, c#40@12, v@52, v@54, c@56, v@58, v@60
  Bytes expected = {0, 2, 3};
  for (int k = 4; k < 56; ++k) expected.push_back(static_cast<uint8_t>(k));
  for (int k : {56, 58, 59, 60, 61}) expected.push_back(static_cast<uint8_t>(k));
  EXPECT_EQ(Bytes(image.begin() + 31, image.end()), expected);
}

TEST(TypeString, CharThenDoubleTakesSixteenBytesInMemoryAndNineInTheImage)
{
  struct {
    char c;
    double f;
  } in = {'q', 2.5}, out = {};
  static_assert(sizeof in == 16);
  tpl_node *root = tpl_bind("S(cf)", &in);
  tpl_pack(root, 0);
  const Bytes image = dump_image(root);
  tpl_release(root);
  EXPECT_EQ(image, (Bytes{0x74, 0x70, 0x6C, 0x00, 0x17, 0x00, 0x00, 0x00, 0x53, 0x28, 0x63, 0x66, 0x29, 0x00,
                          0x71, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40}));
  root = tpl_bind("S(cf)", &out);
  ASSERT_EQ(load_image(root, image), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  EXPECT_EQ(out.c, 'q');
  EXPECT_EQ(out.f, 2.5);
  tpl_release(root);
}

TEST(TypeString, ArrayOfStructuresUsesTheRecordStride)
{
  struct Record {
    int16_t j;
    char c;
  };
  static_assert(sizeof(Record) == 4);
  Record in[2] = {{0x0102, 3}, {0x0405, 6}}, out[2] = {};
  tpl_node *root = tpl_bind("S(jc)#", in, 2);
  tpl_pack(root, 0);
  const Bytes image = dump_image(root);
  tpl_release(root);
  EXPECT_EQ(image, (Bytes{0x74, 0x70, 0x6C, 0x00, 0x19, 0x00, 0x00, 0x00, 0x53, 0x28, 0x6A, 0x63, 0x29,
                          0x23, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x01, 0x03, 0x05, 0x04, 0x06}));
  root = tpl_bind("S(jc)#", out, 2);
  ASSERT_EQ(load_image(root, image), 0);
  tpl_unpack(root, 0);
  EXPECT_EQ(out[1].j, 0x0405);
  EXPECT_EQ(out[1].c, 6);
  tpl_release(root);
}

TEST(TypeString, NestedGroupChangesNeitherAlignmentNorSize)
{
  struct {
    uint8_t c;
    double f[2];
    uint16_t v;
  } in = {9, {1.0, -1.0}, 0xBEEF}, out = {};
  tpl_node *writer = tpl_bind("S(c$(f#)v)", &in, 2);
  tpl_pack(writer, 0);
  const Bytes image = dump_image(writer);
  tpl_release(writer);
  EXPECT_EQ(image.size(), 8u + 11u + 4u + 1u + 16u + 2u);
  tpl_node *reader = tpl_bind("S(c$(f#)v)", &out, 2);
  ASSERT_EQ(load_image(reader, image), 0);
  tpl_unpack(reader, 0);
  EXPECT_EQ(out.c, 9);
  EXPECT_EQ(out.f[1], -1.0);
  EXPECT_EQ(out.v, 0xBEEF);
  tpl_release(reader);
}

} // namespace
