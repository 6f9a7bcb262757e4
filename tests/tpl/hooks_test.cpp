// The hooks: every allocation goes through them, and the fatal path always ends the process.
#include "tpl_test_support.h"

#include <cstring>
#include <unistd.h>

namespace {

struct Counter {
  long live = 0;
  long calls = 0;
};
Counter counter;

void *counted_allocate(size_t size)
{
  ++counter.live;
  ++counter.calls;
  return std::malloc(size);
}
void *counted_reallocate(void *pointer, size_t size)
{
  if (pointer == nullptr) ++counter.live;
  ++counter.calls;
  return std::realloc(pointer, size);
}
void counted_release(void *pointer)
{
  if (pointer != nullptr) --counter.live;
  std::free(pointer);
}

class CountedHooks : public testing::Test {
protected:
  void SetUp() override
  {
    saved_ = tpl_hook;
    counter = {};
    tpl_hook.allocate = counted_allocate;
    tpl_hook.reallocate = counted_reallocate;
    tpl_hook.release = counted_release;
  }
  void TearDown() override { tpl_hook = saved_; }

private:
  tpl_hook_t saved_;
};

int count_images(void *, size_t, void *data)
{
  ++*static_cast<int *>(data);
  return 0;
}

TEST_F(CountedHooks, EveryAllocationIsReleasedThroughTheHooks)
{
  struct Record {
    int32_t id;
    char *name;
  } records[2] = {{1, const_cast<char *>("one")}, {2, nullptr}};
  const char *label = "label";
  tpl_bin bin = {const_cast<char *>("bytes"), 5};
  uint16_t v = 0;
  tpl_node *root = tpl_bind("sS(is)#A(BA(v))", &label, records, 2, &bin, &v);
  for (int element = 0; element < 3; ++element) {
    for (v = 0; v < 100; ++v) tpl_pack(root, 2);
    tpl_pack(root, 1);
  }
  tpl_pack(root, 0);
  void *image = nullptr;
  size_t size = 0;
  ASSERT_EQ(tpl_dump(root, TPL_IN_MEM, &image, &size), 0);
  tpl_release(root);

  char *out_label = nullptr;
  Record out[2] = {};
  tpl_bin out_bin = {};
  root = tpl_bind("sS(is)#A(BA(v))", &out_label, out, 2, &out_bin, &v);
  ASSERT_EQ(tpl_load(root, TPL_IN_MEM, image, size), 0);
  tpl_unpack(root, 0);
  while (tpl_unpack(root, 1) > 0) {
    tpl_hook.release(out_bin.address);
    while (tpl_unpack(root, 2) > 0) {
    }
  }
  tpl_release(root);
  EXPECT_EQ(v, 99);
  tpl_hook.release(out_label);
  tpl_hook.release(out[0].name);

  uint32_t count = 0;
  uint32_t *dimensions = nullptr;
  tpl_hook.release(tpl_peek(TPL_IN_MEM | TPL_FXLENS, image, size, &count, &dimensions));
  tpl_hook.release(dimensions);
  tpl_gather_t *state = nullptr;
  int images = 0;
  tpl_gather(TPL_GATHER_MEM, image, size_t{10}, &state, count_images, &images);
  tpl_gather(TPL_GATHER_MEM, static_cast<uint8_t *>(image) + 10, size - 10, &state, count_images, &images);
  tpl_gather(TPL_GATHER_MEM, image, size_t{0}, &state, count_images, &images);
  EXPECT_EQ(images, 1);
  tpl_hook.release(image);

  EXPECT_GT(counter.calls, 10);
  EXPECT_EQ(counter.live, 0);
}

void *exhausted(size_t) { return nullptr; }

TEST(Hooks, ExhaustedMemoryEndsTheProcess)
{
  EXPECT_EXIT(
      {
        tpl_hook.allocate = exhausted;
        int32_t value = 0;
        tpl_bind("i", &value);
      },
      testing::ExitedWithCode(255), "out of memory\n");
}

void returning_fatal(const char *format, ...)
{
  const char note[] = "fatal hook returned\n";
  (void)!write(2, note, sizeof note - 1);
  (void)format;
}

TEST(Hooks, AFatalHookThatReturnsStillEndsTheProcess)
{
  EXPECT_EXIT(
      {
        tpl_hook.fatal_error = returning_fatal;
        tpl_gather(9);
      },
      testing::ExitedWithCode(255), "fatal hook returned\n");
}

TEST(Hooks, DefaultFatalMessageIsCutToItsBuffer)
{
  EXPECT_EXIT(tpl_hook.fatal_error("%s%s", std::string(150, 'x').c_str(), "tail"), testing::ExitedWithCode(255),
              "^x{99}$");
}

} // namespace
