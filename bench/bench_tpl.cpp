// The engine's round trips, each next to a plain-copy baseline measured in the same run.
#include "tpl/tpl.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr const char scan_data_type[] = "S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)";
constexpr size_t scan_record_bytes = 3672;

tpl_node *bind_scan_record(void *record) { return tpl_bind(scan_data_type, record, 20, 3, 3, 8, 8, 40, 864); }

// Bind, pack, dump into a caller buffer, load, unpack, release: one scan data record.
void ScanRecordRoundTrip(benchmark::State &state)
{
  alignas(8) uint8_t in[scan_record_bytes];
  alignas(8) uint8_t out[scan_record_bytes];
  for (size_t k = 0; k < sizeof in; ++k) in[k] = static_cast<uint8_t>(k * 31);
  uint8_t image[4096];
  for (auto _ : state) {
    tpl_node *writer = bind_scan_record(in);
    tpl_pack(writer, 0);
    tpl_dump(writer, TPL_IN_MEM | TPL_OWN_BUFFER, image, sizeof image);
    tpl_release(writer);
    tpl_node *reader = bind_scan_record(out);
    tpl_load(reader, TPL_IN_MEM | TPL_ALLOW_EXCESS, image, sizeof image);
    tpl_unpack(reader, 0);
    tpl_release(reader);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(ScanRecordRoundTrip);

void ScanRecordMemcpyBaseline(benchmark::State &state)
{
  alignas(8) uint8_t in[scan_record_bytes];
  alignas(8) uint8_t out[scan_record_bytes];
  std::memset(in, 7, sizeof in);
  for (auto _ : state) {
    std::memcpy(out, in, sizeof in);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ScanRecordMemcpyBaseline);

constexpr int million = 1000000;

// i# with a million elements: pack, dump into a caller buffer, load, unpack.
void FixedArrayRoundTrip(benchmark::State &state)
{
  std::vector<int32_t> in(million), out(million);
  for (int k = 0; k < million; ++k) in[static_cast<size_t>(k)] = k;
  tpl_node *writer = tpl_bind("i#", in.data(), million);
  tpl_node *reader = tpl_bind("i#", out.data(), million);
  std::vector<uint8_t> image(tpl_ser_osz(writer));
  for (auto _ : state) {
    tpl_pack(writer, 0);
    tpl_dump(writer, TPL_IN_MEM | TPL_OWN_BUFFER, image.data(), image.size());
    tpl_load(reader, TPL_IN_MEM, image.data(), image.size());
    tpl_unpack(reader, 0);
    benchmark::DoNotOptimize(out.data());
  }
  tpl_release(reader);
  tpl_release(writer);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * million * 4);
}
BENCHMARK(FixedArrayRoundTrip)->Unit(benchmark::kMicrosecond);

void FixedArrayMemcpyBaseline(benchmark::State &state)
{
  std::vector<int32_t> in(million, 5), out(million);
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), million * sizeof(int32_t));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * million * 4);
}
BENCHMARK(FixedArrayMemcpyBaseline)->Unit(benchmark::kMicrosecond);

// A(iu) with a million elements, packed one by one, dumped, loaded and unpacked one by one.
void VariableArrayRoundTrip(benchmark::State &state)
{
  int32_t i = 0;
  uint32_t u = 0;
  tpl_node *root = tpl_bind("A(iu)", &i, &u);
  std::vector<uint8_t> image(8 + 6 + 4 + 8 * size_t{million});
  int64_t sum = 0;
  for (auto _ : state) {
    for (int k = 0; k < million; ++k) {
      i = k;
      u = static_cast<uint32_t>(k) * 3u;
      tpl_pack(root, 1);
    }
    tpl_dump(root, TPL_IN_MEM | TPL_OWN_BUFFER, image.data(), image.size());
    tpl_load(root, TPL_IN_MEM, image.data(), image.size());
    while (tpl_unpack(root, 1) > 0) sum += i + static_cast<int64_t>(u);
  }
  benchmark::DoNotOptimize(sum);
  tpl_release(root);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * million);
}
BENCHMARK(VariableArrayRoundTrip)->Unit(benchmark::kMillisecond);

// The same cycle through a std::vector of pairs: append, copy out, read back.
void VariableArrayVectorBaseline(benchmark::State &state)
{
  struct Element {
    int32_t i;
    uint32_t u;
  };
  std::vector<Element> packed, image(million);
  int64_t sum = 0;
  for (auto _ : state) {
    packed.clear();
    for (int k = 0; k < million; ++k) packed.push_back({k, static_cast<uint32_t>(k) * 3u});
    std::memcpy(image.data(), packed.data(), million * sizeof(Element));
    for (const Element &e : image) sum += e.i + static_cast<int64_t>(e.u);
    benchmark::ClobberMemory();
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * million);
}
BENCHMARK(VariableArrayVectorBaseline)->Unit(benchmark::kMillisecond);

} // namespace
