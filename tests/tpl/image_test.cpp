// Images: the check and its codes, loading and dumping in every mode, and their messages.
#include "tpl_test_support.h"

#include "tpl/mapping.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// i# with dimension 2 holding 1 and 2.
const Bytes pair_image = {0x74, 0x70, 0x6C, 0x00, 0x17, 0x00, 0x00, 0x00, 0x69, 0x23, 0x00, 0x02,
                          0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};

Bytes with(Bytes image, size_t at, uint8_t value)
{
  image[at] = value;
  return image;
}

Bytes cut(const Bytes &image, size_t size) { return Bytes(image.begin(), image.begin() + static_cast<long>(size)); }

struct CheckCase {
  const char *what;
  Bytes image;
  bool allow_excess;
  int code;
};

TEST(Image, CheckCodes)
{
  Bytes longer = pair_image;
  longer.push_back(0);
  const CheckCase cases[] = {
      {"valid", pair_image, false, TPL_IMAGE_VALID},
      {"eight bytes", cut(pair_image, 8), false, TPL_IMAGE_TOO_SHORT},
      {"magic", with(pair_image, 2, 'L'), false, TPL_IMAGE_BAD_MAGIC},
      {"flags 0x04", with(pair_image, 3, 0x04), false, TPL_IMAGE_BAD_FLAGS},
      {"size field", with(pair_image, 4, 0x18), false, TPL_IMAGE_SIZE_FIELD},
      {"size field, excess allowed", with(pair_image, 4, 0x18), true, TPL_IMAGE_VALID},
      {"type character", with(pair_image, 9, '%'), false, TPL_IMAGE_BAD_TYPE_CHAR},
      {"unterminated", with(cut(pair_image, 10), 4, 10), false, TPL_IMAGE_TYPE_UNTERMINATED},
      {"signature", with(pair_image, 8, 'u'), false, TPL_IMAGE_SIGNATURE},
      {"dimensions cut", with(cut(pair_image, 13), 4, 13), false, TPL_IMAGE_DIMENSIONS_SHORT},
      {"dimension", with(pair_image, 11, 3), false, TPL_IMAGE_DIMENSIONS},
      {"data cut", with(cut(pair_image, 22), 4, 22), false, TPL_IMAGE_DATA_SHORT},
      {"data shorter than image", with(longer, 4, 24), false, TPL_IMAGE_DATA_SIZE},
      {"bytes after the image, excess allowed", longer, true, TPL_IMAGE_VALID},
  };
  int32_t values[2];
  tpl_node *root = tpl_bind("i#", values, 2);
  for (const CheckCase &c : cases)
    EXPECT_EQ(tpl::check_image(root, c.image.data(), c.image.size(), c.allow_excess), c.code) << c.what;
  tpl_release(root);
}

TEST(Image, LoadFromMemoryMessages)
{
  Messages messages;
  int32_t values[2] = {};
  tpl_node *root = tpl_bind("i#", values, 2);
  const Bytes wrong_size = with(pair_image, 4, 0x30);
  EXPECT_EQ(load_image(root, wrong_size), -1);
  EXPECT_EQ(messages.take(), "not a valid tpl file\n");
  EXPECT_EQ(load_image(root, wrong_size, TPL_ALLOW_EXCESS), 0);
  EXPECT_EQ(messages.take(), "");
  EXPECT_EQ(load_image(root, with(pair_image, 8, 'u')), -1);
  EXPECT_EQ(messages.take(), "format signature mismatch\n");
  EXPECT_EQ(load_image(root, with(pair_image, 11, 3)), -1);
  EXPECT_EQ(messages.take(), "not a valid tpl file\n");
  EXPECT_EQ(load_image(root, with(pair_image, 3, 0x04)), -1);
  EXPECT_EQ(messages.take(), "not a valid tpl file\n");
  EXPECT_EQ(tpl_load(root, TPL_ALLOW_EXCESS), -1);
  EXPECT_EQ(messages.take(), "unsupported tpl_load mode 8\n");
  // A failed load leaves the mapping usable.
  ASSERT_EQ(load_image(root, pair_image), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  EXPECT_EQ(values[1], 2);
  tpl_release(root);
}

class TemporaryDirectory : public testing::Test {
protected:
  void SetUp() override
  {
    const char *base = std::getenv("TMPDIR");
    directory_ = std::string(base != nullptr ? base : "/tmp") + "/tpl_test_XXXXXX";
    ASSERT_NE(mkdtemp(directory_.data()), nullptr);
  }
  void TearDown() override
  {
    for (const std::string &file : files_) unlink(file.c_str());
    rmdir(directory_.c_str());
  }
  std::string path(const char *name)
  {
    files_.push_back(directory_ + "/" + name);
    return files_.back();
  }
  static void write_file(const std::string &path, const Bytes &bytes)
  {
    FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  static Bytes read_file(const std::string &path)
  {
    Bytes bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
  }

private:
  std::string directory_;
  std::vector<std::string> files_;
};

using FileImage = TemporaryDirectory;

TEST_F(FileImage, DumpAndLoadThroughAFile)
{
  int32_t values[2] = {1, 2};
  tpl_node *root = tpl_bind("i#", values, 2);
  tpl_pack(root, 0);
  const std::string file = path("pair.tpl");
  ASSERT_EQ(tpl_dump(root, TPL_ON_FILE, file.c_str()), 0);
  tpl_release(root);
  EXPECT_EQ(read_file(file), pair_image);

  int32_t out[2] = {};
  root = tpl_bind("i#", out, 2);
  ASSERT_EQ(tpl_load(root, TPL_ON_FILE, file.c_str()), 0);
  EXPECT_EQ(tpl_unpack(root, 0), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  tpl_release(root);
}

TEST_F(FileImage, LoadFromFileMessages)
{
  Messages messages;
  int32_t values[2];
  tpl_node *root = tpl_bind("i#", values, 2);
  const std::string other_lengths = path("lengths.tpl");
  write_file(other_lengths, with(pair_image, 11, 3));
  EXPECT_EQ(tpl_load(root, TPL_ON_FILE, other_lengths.c_str()), -1);
  EXPECT_EQ(messages.take(), other_lengths + ": array lengths mismatch\n");
  const std::string other_type = path("type.tpl");
  write_file(other_type, with(pair_image, 8, 'u'));
  EXPECT_EQ(tpl_load(root, TPL_ON_FILE, other_type.c_str()), -1);
  EXPECT_EQ(messages.take(), other_type + ": format signature mismatch\n");
  const std::string bad_magic = path("magic.tpl");
  write_file(bad_magic, with(pair_image, 0, 'T'));
  EXPECT_EQ(tpl_load(root, TPL_ON_FILE, bad_magic.c_str()), -1);
  EXPECT_EQ(messages.take(), bad_magic + ": not a valid tpl file\n");
  const std::string missing = path("missing.tpl");
  EXPECT_EQ(tpl_load(root, TPL_ON_FILE, missing.c_str()), -1);
  EXPECT_EQ(messages.take(),
            "Couldn't open file " + missing + ": No such file or directory\ntpl_load failed for file " + missing + "\n");
  EXPECT_EQ(tpl_peek(TPL_ON_FILE, missing.c_str()), nullptr);
  EXPECT_EQ(messages.take(), "tpl_peek failed for file " + missing + "\n");
  const std::string unwritable = path("no/such/dir.tpl");
  tpl_node *writer = tpl_bind("i#", values, 2);
  EXPECT_EQ(tpl_dump(writer, TPL_ON_FILE, unwritable.c_str()), -1);
  EXPECT_EQ(messages.take(), "Couldn't open file " + unwritable + ": No such file or directory\n");
  EXPECT_EQ(tpl_dump(writer, TPL_ON_FILE, "/dev/null"), -1);
  EXPECT_EQ(messages.take(), "ftruncate failed: Invalid argument\n");
  tpl_release(writer);
  EXPECT_EQ(tpl_load(root, TPL_ON_FILE, "/"), -1);
  EXPECT_EQ(messages.take(), "Failed to mmap /: No such device\ntpl_load failed for file /\n");
  tpl_release(root);
}

TEST_F(FileImage, PeekAtAFile)
{
  const std::string file = path("peek.tpl");
  write_file(file, pair_image);
  char *type_string = tpl_peek(TPL_ON_FILE, file.c_str());
  Released owned(type_string);
  EXPECT_STREQ(type_string, "i#");
}

TEST(Image, DumpIntoTheCallersBuffer)
{
  Messages messages;
  int32_t values[2] = {1, 2};
  tpl_node *root = tpl_bind("i#", values, 2);
  tpl_pack(root, 0);
  Bytes buffer(30, 0xEE);
  EXPECT_EQ(tpl_dump(root, TPL_IN_MEM | TPL_OWN_BUFFER, buffer.data(), size_t{22}), -1);
  EXPECT_EQ(messages.take(), "tpl_dump: buffer too small, need 23 bytes\n");
  EXPECT_EQ(buffer, Bytes(30, 0xEE));
  EXPECT_EQ(tpl_dump(root, TPL_IN_MEM | TPL_OWN_BUFFER, buffer.data(), buffer.size()), 0);
  Bytes expected = pair_image;
  expected.insert(expected.end(), 7, 0xEE);
  EXPECT_EQ(buffer, expected);
  size_t size = 0;
  EXPECT_EQ(tpl_dump(root, TPL_SIZE_ONLY, &size), 0);
  EXPECT_EQ(size, 23u);
  EXPECT_EQ(tpl_dump(root, TPL_OWN_BUFFER), -1);
  EXPECT_EQ(messages.take(), "unsupported tpl_dump mode 4\n");
  tpl_release(root);
}

TEST(Image, DumpRightAfterALoadIsRefused)
{
  Messages messages;
  int32_t values[2];
  tpl_node *root = tpl_bind("i#", values, 2);
  ASSERT_EQ(load_image(root, pair_image), 0);
  size_t size = 0;
  EXPECT_EQ(tpl_dump(root, TPL_SIZE_ONLY, &size), -1);
  EXPECT_EQ(messages.take(), "error: tpl_dump called for a loaded tpl\n");
  tpl_reset(root);
  EXPECT_EQ(tpl_dump(root, TPL_SIZE_ONLY, &size), 0);
  tpl_release(root);
}

// The size field has 32 bits: a larger image is refused, whatever the mode.
TEST(Image, ImagesOfFourGibibytesAreRefused)
{
  Messages messages;
  uint64_t never_read = 0;
  tpl_node *root = tpl_bind("U##", &never_read, 65536, 8192);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tpl_ser_osz(root), 8u + 4u + 8u + (size_t{1} << 32));
  size_t size = 0;
  EXPECT_EQ(tpl_dump(root, TPL_SIZE_ONLY, &size), -1);
  EXPECT_EQ(messages.take(), "tpl_dump: image of 4294967316 bytes exceeds the 4 GiB limit\n");
  EXPECT_EQ(size, 0u);
  tpl_release(root);
}

TEST(Image, DumpToAndLoadFromADescriptor)
{
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  int32_t values[2] = {1, 2};
  tpl_node *root = tpl_bind("i#", values, 2);
  tpl_pack(root, 0);
  ASSERT_EQ(tpl_dump(root, TPL_ON_FD, pipe_ends[1]), 0);
  values[0] = 3;
  tpl_pack(root, 0);
  ASSERT_EQ(tpl_dump(root, TPL_ON_FD, pipe_ends[1]), 0);
  close(pipe_ends[1]);
  int32_t out[2] = {};
  tpl_node *reader = tpl_bind("i#", out, 2);
  for (int32_t first : {1, 3}) {
    ASSERT_EQ(tpl_load(reader, TPL_ON_FD, pipe_ends[0]), 0);
    tpl_unpack(reader, 0);
    EXPECT_EQ(out[0], first);
  }
  EXPECT_EQ(tpl_load(reader, TPL_ON_FD, pipe_ends[0]), -1); // end of input
  close(pipe_ends[0]);
  tpl_release(reader);
  tpl_release(root);
}

TEST(Image, WritingToAClosedDescriptorFails)
{
  Messages messages;
  int32_t values[2] = {1, 2};
  tpl_node *root = tpl_bind("i#", values, 2);
  EXPECT_EQ(tpl_dump(root, TPL_ON_FD, 999), -1);
  EXPECT_EQ(messages.take(), "error writing to fd 999: Bad file descriptor\n");
  tpl_release(root);
}

TEST(Image, GivenBufferBelongsToTheMapping)
{
  void *image = tpl_hook.allocate(pair_image.size());
  std::memcpy(image, pair_image.data(), pair_image.size());
  int32_t out[2] = {};
  tpl_node *root = tpl_bind("i#", out, 2);
  ASSERT_EQ(tpl_load(root, TPL_IN_MEM | TPL_GIVE_BUFFER, image, pair_image.size()), 0);
  tpl_unpack(root, 0);
  EXPECT_EQ(out[1], 2);
  tpl_release(root); // frees the image; the leak checker of the sanitizer build would notice
}

TEST(Image, SerlenMeasuresTheData)
{
  int32_t values[2];
  tpl_node *root = tpl_bind("i#", values, 2);
  ASSERT_EQ(load_image(root, pair_image), 0);
  EXPECT_EQ(tpl_serlen(root, root, pair_image.data() + 15), 8);
  EXPECT_EQ(tpl_serlen(root, root, pair_image.data() + 16), -1);
  tpl_release(root);
}

TEST(Image, JotBindsPacksAndDumps)
{
  int32_t values[2] = {1, 2};
  void *image = nullptr;
  size_t size = 0;
  ASSERT_EQ(tpl_jot(TPL_IN_MEM, &image, &size, "i#", values, 2), 0);
  Released owned(image);
  EXPECT_EQ(Bytes(static_cast<uint8_t *>(image), static_cast<uint8_t *>(image) + size), pair_image);
  EXPECT_EXIT(tpl_jot(TPL_SIZE_ONLY, &size, "i#", values, 2), testing::ExitedWithCode(255), "invalid tpl_jot mode\n");
}

} // namespace
