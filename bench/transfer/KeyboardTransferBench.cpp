// The transfer's write of the example tables through the driver channel and
// the real driver host to the emulated keyboard, as lodemar-cli and the
// program run it, with and without the read-back that confirms it; as the
// ratio to the floor of 1 ms per byte sent, beside the ratio of as many of
// the host's own waits run here just before.
#include "posix/CHostDriverBackend.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <keydata/KeyFile.h>
#include <transfer/CKeyboardTransfer.h>

#include "MachineWaits.h"
#include "TableBytes.h"

namespace {

// state.range(0): 0 the retail layout, 1 the multi-layer one; range(1): 1
// with the read-back.
void BM_TransferWrite(benchmark::State& state)
{
    static const char* const FILES[] = { "retail-pos.dat", "multi-layer.dat" };
    char pattern[] = "/tmp/transfer-bench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    driverchannel::posix::HostDriverSettings settings;
    settings.runtimeDirectory = folder + "/run";
    settings.installedDirectory = std::filesystem::path(TAVRIN_HOST_PATH).parent_path();
    settings.emulatedKeyboardMemory = folder + "/kb.bin";
    keydata::KeyTable table;
    {
        driverchannel::CDriverChannel channel(
            std::make_unique<driverchannel::posix::CHostDriverBackend>(settings));
        const std::string file = std::string(LODEMAR_EXAMPLES_DIR) + "/" + FILES[state.range(0)];
        if (!keydata::loadKeyFile(file, table).Ok()
            || channel.Load(driverchannel::DRIVER_NAME, nullptr, nullptr, true) != 0) {
            state.SkipWithError("no emulated keyboard or no example table");
        } else {
            transfer::CKeyboardTransfer transfer(channel);
            const bool verify = state.range(1) != 0;
            const std::size_t bytes = bytesSent(table);
            double seconds = 0;
            double waitSeconds = 0;
            for (auto _ : state) {
                state.PauseTiming();
                waitSeconds += machineWaitSeconds(bytes);
                state.ResumeTiming();
                const auto start = std::chrono::steady_clock::now();
                if (!transfer.Write(table, {}, verify).Succeeded()) {
                    state.SkipWithError("the write failed");
                    break;
                }
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            reportWriteRatios(state, seconds, waitSeconds, bytes);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_TransferWrite)
    ->ArgNames({ "table", "verify" })
    ->Args({ 0, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 1 })
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
