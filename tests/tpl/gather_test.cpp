// Gathering complete images out of a stream of chunks or a descriptor.
#include "tpl_test_support.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

const Bytes pair_image = {0x74, 0x70, 0x6C, 0x00, 0x17, 0x00, 0x00, 0x00, 0x69, 0x23, 0x00, 0x02,
                          0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};

struct Seen {
  std::vector<Bytes> images;
  int stop_after = -1;
};

int collect(void *image, size_t size, void *data)
{
  auto &seen = *static_cast<Seen *>(data);
  seen.images.emplace_back(static_cast<uint8_t *>(image), static_cast<uint8_t *>(image) + size);
  return static_cast<int>(seen.images.size()) == seen.stop_after ? -1 : 0;
}

Bytes two_images()
{
  Bytes stream = pair_image;
  stream.insert(stream.end(), pair_image.begin(), pair_image.end());
  stream[23 + 19] = 9;
  return stream;
}

TEST(Gather, ImagesSplitAcrossChunksOfEverySize)
{
  const Bytes stream = two_images();
  for (size_t chunk = 1; chunk <= stream.size(); ++chunk) {
    Seen seen;
    tpl_gather_t *state = nullptr;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      const size_t length = std::min(chunk, stream.size() - at);
      ASSERT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data() + at, length, &state, collect, &seen), 1);
    }
    EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data(), size_t{0}, &state, collect, &seen), 0);
    EXPECT_EQ(state, nullptr);
    ASSERT_EQ(seen.images.size(), 2u) << chunk;
    EXPECT_EQ(seen.images[0], pair_image);
    EXPECT_EQ(seen.images[1], Bytes(stream.begin() + 23, stream.end()));
  }
}

TEST(Gather, FailuresOfAMemoryStream)
{
  Messages messages;
  const Bytes stream = two_images();
  Seen seen;
  tpl_gather_t *state = nullptr;

  seen.stop_after = 1;
  EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data(), stream.size(), &state, collect, &seen), -1);
  EXPECT_EQ(messages.take(), "tpl_mem_gather aborted by app callback\n");
  EXPECT_EQ(state, nullptr);

  seen = {};
  EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data(), size_t{30}, &state, collect, &seen), 1);
  EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data(), size_t{0}, &state, collect, &seen), -1);
  EXPECT_EQ(messages.take(), "tpl_gather: partial tpl image precedes EOF\n");
  EXPECT_EQ(state, nullptr);

  const Bytes garbage = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, garbage.data(), garbage.size(), &state, collect, &seen), -1);
  EXPECT_EQ(messages.take(), "tpl prefix invalid\n");
  EXPECT_EQ(state, nullptr);

  seen = {};
  tpl_hook.gather_limit = 22;
  EXPECT_EQ(tpl_gather(TPL_GATHER_MEM, stream.data(), stream.size(), &state, collect, &seen), -1);
  EXPECT_EQ(messages.take(), "tpl exceeds max length 22\n");
  tpl_hook.gather_limit = 0;
  EXPECT_TRUE(seen.images.empty());
}

TEST(Gather, NonBlockingDescriptor)
{
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);
  const Bytes stream = two_images();
  Seen seen;
  tpl_gather_t *state = nullptr;
  ASSERT_EQ(write(ends[1], stream.data(), 30), 30);
  EXPECT_EQ(tpl_gather(TPL_GATHER_NONBLOCKING, ends[0], &state, collect, &seen), 1);
  EXPECT_EQ(seen.images.size(), 1u);
  ASSERT_EQ(write(ends[1], stream.data() + 30, stream.size() - 30), static_cast<ssize_t>(stream.size() - 30));
  close(ends[1]);
  EXPECT_EQ(tpl_gather(TPL_GATHER_NONBLOCKING, ends[0], &state, collect, &seen), 0);
  EXPECT_EQ(state, nullptr);
  EXPECT_EQ(seen.images.size(), 2u);
  close(ends[0]);
}

TEST(Gather, BlockingDescriptor)
{
  Messages messages;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], pair_image.data(), pair_image.size()), 23);
  ASSERT_EQ(write(ends[1], "tpx", 3), 3);
  close(ends[1]);
  void *image = nullptr;
  size_t size = 0;
  ASSERT_EQ(tpl_gather(TPL_GATHER_BLOCKING, ends[0], &image, &size), 1);
  Released owned(image);
  EXPECT_EQ(Bytes(static_cast<uint8_t *>(image), static_cast<uint8_t *>(image) + size), pair_image);
  EXPECT_EQ(tpl_gather(TPL_GATHER_BLOCKING, ends[0], &image, &size), -1);
  EXPECT_EQ(messages.take(), "tpl_gather: partial tpl image precedes EOF\n");
  close(ends[0]);

  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "tpx-----", 8), 8);
  close(ends[1]);
  EXPECT_EQ(tpl_gather(TPL_GATHER_BLOCKING, ends[0], &image, &size), -1);
  EXPECT_EQ(messages.take(), "tpl_gather_fd_blocking: non-tpl input\n");
  close(ends[0]);
  EXPECT_EQ(tpl_gather(TPL_GATHER_BLOCKING, ends[0], &image, &size), -1);
  EXPECT_EQ(messages.take(), "tpl_gather_fd_blocking failed: Bad file descriptor\n");
}

TEST(Gather, UnknownModeEndsTheProcess)
{
  EXPECT_EXIT(tpl_gather(4), testing::ExitedWithCode(255), "unsupported tpl_gather mode 4\n");
}

} // namespace
