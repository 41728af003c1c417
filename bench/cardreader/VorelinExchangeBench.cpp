// One exchange against the emulated reader at 9600-baud pacing, measured
// against the line time of its request and reply bytes. The "ratio" counter
// is wall time over line time; the target is 1.10 or less.
#include "CCardReaderEmulator.h"
#include "vorelin.h"
#include "vorelin_frame.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

struct CPacedReader {
    CPacedReader()
    {
        emu.SetPacing(true);
        if (emu.Start() == 0)
            port = OpenComProt(emu.SlavePath().c_str());
        const unsigned char password[3] = { 0xFF, 0xFF, 0xFF };
        PowerOn(port);
        CheckPassword(port, password);
    }
    ~CPacedReader() { CloseComProt(port); }
    CCardReaderEmulator emu;
    VorelinHandle port = nullptr;
};

// Runs op repeatedly; lineBytes is the request plus the reply.
template <class Op> void measure(benchmark::State& state, std::size_t lineBytes, Op op)
{
    CPacedReader reader;
    if (!reader.port) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    using Clock = std::chrono::steady_clock;
    Clock::duration spent {};
    for (auto _ : state) {
        const auto start = Clock::now();
        const int32_t result = op(reader.port);
        spent += Clock::now() - start;
        if (result != 0) {
            state.SkipWithError(("result " + std::to_string(result)).c_str());
            return;
        }
    }
    const double lineSeconds
        = std::chrono::duration<double>(CCardReaderEmulator::BYTE_TIME).count() * lineBytes;
    const double perExchange = std::chrono::duration<double>(spent).count() / double(state.iterations());
    state.counters["line_ms"] = lineSeconds * 1e3;
    state.counters["ratio"] = perExchange / lineSeconds;
}

void BM_GetICVersion(benchmark::State& state)
{
    const std::size_t replyBytes
        = std::string(CCardReaderModel::DEFAULT_VERSION).size() + VORELIN_REPLY_OVERHEAD;
    measure(state, 5 + replyBytes, [](VorelinHandle port) {
        unsigned char version[VORELIN_MAX_REPLY_DATA];
        uint32_t count;
        return GetICVersion(port, version, &count);
    });
}

void BM_PowerOn(benchmark::State& state)
{
    measure(state, 5 + 5, [](VorelinHandle port) { return PowerOn(port); });
}

void BM_ReadData(benchmark::State& state)
{
    const int count = int(state.range(0));
    measure(state, 8 + std::size_t(count) + VORELIN_REPLY_OVERHEAD, [count](VorelinHandle port) {
        unsigned char data[VORELIN_MAX_REPLY_DATA];
        uint32_t delivered;
        return ReadData(port, data, count, 0, 0, &delivered);
    });
}

void BM_WriteData(benchmark::State& state)
{
    const auto count = std::uint32_t(state.range(0));
    measure(state, 8 + count + VORELIN_REPLY_OVERHEAD, [count](VorelinHandle port) {
        unsigned char data[VORELIN_MAX_WRITE_COUNT] = {};
        return WriteData(port, data, count, 32, 0);
    });
}

} // namespace

BENCHMARK(BM_PowerOn)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_GetICVersion)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_ReadData)->Arg(16)->Arg(251)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WriteData)->Arg(16)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
