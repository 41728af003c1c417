// Encoding and decoding whole keyboard memory images.
#include <keydata/KeyImage.h>
#include <keydata/WritePackets.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

using namespace keydata;

namespace {

// Every key number with the given content length (string keys).
KeyTable fullTable(std::size_t contentLength)
{
    KeyTable table;
    std::vector<std::uint8_t> bytes(contentLength);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>('a' + i % 26);
    for (int n = 0; n < KEY_NUMBER_COUNT; ++n)
        if (storeKey(table.RecordOfKeyNumber(n), KIND_STRING, bytes) != KEYTABLE_OK)
            std::abort(); // every length benchmarked fits a key
    return table;
}

// Content lengths: empty table (516 bytes), the largest image decodeImage
// accepts (~8000 bytes with 58 bytes per key), the largest encodeImage writes.
void imageSizes(benchmark::internal::Benchmark* b)
{
    b->Arg(0)->Arg(58)->Arg(255);
}

void BM_EncodeImage(benchmark::State& state)
{
    const KeyTable table = fullTable(static_cast<std::size_t>(state.range(0)));
    std::vector<std::uint8_t> out(IMAGE_CAPACITY);
    std::size_t length = 0;
    for (auto _ : state) {
        length = encodeImage(table, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
    state.counters["image_bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_EncodeImage)->Apply(imageSizes);

void BM_DecodeImage(benchmark::State& state)
{
    const std::vector<std::uint8_t> image = encodeImage(fullTable(static_cast<std::size_t>(state.range(0))));
    if (image.size() > IMAGE_DECODE_LIMIT) {
        state.SkipWithError("image over the decode limit");
        return;
    }
    KeyTable table;
    for (auto _ : state) {
        benchmark::DoNotOptimize(decodeImage(table, image));
        benchmark::DoNotOptimize(&table);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
    state.counters["image_bytes"] = static_cast<double>(image.size());
}
BENCHMARK(BM_DecodeImage)->Arg(0)->Arg(58);

// The 130 packets of a whole write.
void BM_WritePackets(benchmark::State& state)
{
    const KeyTable table = fullTable(27); // 128 * 28 = 3584: a full data area
    WritePacket packet;
    for (auto _ : state) {
        std::uint16_t d = DATA_AREA_BASE;
        packet = headerPacket(table.systemConfig, table.mcrConfig);
        benchmark::DoNotOptimize(packet.bytes.data());
        for (int n = 0; n < KEY_NUMBER_COUNT; ++n) {
            benchmark::DoNotOptimize(keyPacket(table, n, d, packet));
            benchmark::DoNotOptimize(packet.bytes.data());
        }
        packet = finishPacket();
        benchmark::DoNotOptimize(packet.bytes.data());
    }
}
BENCHMARK(BM_WritePackets);

} // namespace

BENCHMARK_MAIN();
