// Speed of the keyboard transfers through the driver host:
//   - writing a typical table (header, 128 key packets, finish) to the
//     emulated keyboard, and to the real keyboard's serio backend over a
//     simulated serio_raw, as the ratio to the floor of 1 ms per byte sent;
//   - the read-out of a full keyboard image through the host, and through
//     the core alone.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <kbemu/EmulatedPc.h>
#include <tavrin/TavrinClient.h>

#include "../../tests/driver/FakeSerio.h"
#include "../../tests/emulator-keyboard/TablePackets.h"

extern char** environ;

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace testing_tables;

constexpr int WAIT_MS = 10000;

// A host in a folder of its own: with the emulated keyboard, or with the
// real keyboard's serio backend over a simulated kernel.
class CBenchHost {
public:
    explicit CBenchHost(bool serio = false)
    {
        char pattern[] = "/tmp/tavrin-bench-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        socket_ = dir_ + "/s";
        std::vector<std::string> args { TAVRIN_HOST_PATH, "--socket", socket_, "--emulate",
            dir_ + "/kb.bin" };
        if (serio) {
            fake_ = std::make_unique<CFakeSerio>(dir_ + "/kernel");
            args = { TAVRIN_TEST_HOST_PATH, "--socket", socket_, "--hardware", "--test-sysfs-root",
                fake_->Sys(), "--test-dev-root", fake_->Dev() };
        }
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        ok_ = pid_ > 0 && tavrin::WaitForHost(socket_, WAIT_MS) == tavrin::CLIENT_OK
            && client_.Connect(socket_, WAIT_MS) == tavrin::CLIENT_OK;
    }
    ~CBenchHost()
    {
        client_.Close();
        if (pid_ > 0) {
            tavrin::StopHost(socket_, WAIT_MS);
            ::waitpid(pid_, nullptr, 0);
        }
        fake_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    bool Ok() const { return ok_; }

    bool Send(const Bytes& packet)
    {
        tavrin::ExchangeResult r;
        return client_.Exchange(IOCTL_SEND_BYTES, packet.data(), static_cast<std::uint32_t>(packet.size()),
                   nullptr, 0, r, WAIT_MS)
            == tavrin::CLIENT_OK
            && r.status == TAVRIN_STATUS_SUCCESS && r.information == 0;
    }

    std::uint32_t Read(Bytes& block)
    {
        tavrin::ExchangeResult r;
        const std::uint8_t command = keydata::CMD_READ;
        if (client_.Exchange(IOCTL_READ_DATA, &command, 1, block.data(),
                static_cast<std::uint32_t>(block.size()), r, WAIT_MS)
            != tavrin::CLIENT_OK)
            return 0;
        return r.outputCount;
    }

private:
    std::string dir_;
    std::string socket_;
    pid_t pid_ = -1;
    std::unique_ptr<CFakeSerio> fake_;
    tavrin::CTavrinClient client_;
    bool ok_ = false;
};

// The largest image the keyboard holds: its data area filled to the last byte.
TestTable fullTable()
{
    TestTable t = typicalTable();
    for (auto& key : t.keys)
        key = {};
    for (int n = 0; n < 14; ++n)
        t.keys[n * 9] = { keydata::KIND_STRING, Bytes(255, static_cast<std::uint8_t>('a' + n)) };
    return t;
}

// state.range(0): 1 through the serio backend.
void BM_WriteTypicalTable(benchmark::State& state)
{
    CBenchHost host(state.range(0) == 1);
    if (!host.Ok()) {
        state.SkipWithError("driver host did not start");
        return;
    }
    const std::vector<Bytes> packets = writePackets(typicalTable());
    std::size_t bytes = 0;
    for (const Bytes& p : packets)
        bytes += p.size();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const Bytes& p : packets)
            if (!host.Send(p)) {
                state.SkipWithError("send failed");
                return;
            }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double floor = static_cast<double>(bytes) * 0.001 * static_cast<double>(state.iterations());
    state.counters["bytes_sent"] = static_cast<double>(bytes);
    state.counters["ratio_to_1ms_per_byte"] = seconds / floor;
}
BENCHMARK(BM_WriteTypicalTable)
    ->ArgName("serio")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ReadFullImageThroughHost(benchmark::State& state)
{
    CBenchHost host;
    if (!host.Ok()) {
        state.SkipWithError("driver host did not start");
        return;
    }
    const TestTable table = fullTable();
    for (const Bytes& p : writePackets(table))
        host.Send(p);
    const Bytes expected = expectedImage(table);
    Bytes block(10240);
    for (auto _ : state) {
        if (host.Read(block) != expected.size()) {
            state.SkipWithError("read-out incomplete");
            return;
        }
    }
    state.counters["image_bytes"] = static_cast<double>(expected.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected.size()));
}
BENCHMARK(BM_ReadFullImageThroughHost)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ReadFullImageInProcess(benchmark::State& state)
{
    kbemu::CKeyboardMemory memory;
    kbemu::CKeyboardFirmware keyboard(memory);
    kbemu::CEmulatedPc pc(keyboard);
    pc.SetRecording(false);
    TavrinPlatform platform = pc.Platform();
    const TestTable table = fullTable();
    for (const Bytes& p : writePackets(table))
        TavrinServeControl(
            &platform, IOCTL_SEND_BYTES, Bytes(p).data(), static_cast<std::uint32_t>(p.size()), 0);
    Bytes block(TAVRIN_SCRATCH_SIZE);
    std::uint32_t length = 0;
    for (auto _ : state) {
        length = read_data(&platform, keydata::CMD_READ, block.data(), TAVRIN_SCRATCH_SIZE);
        benchmark::DoNotOptimize(block.data());
    }
    state.counters["image_bytes"] = length;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}
BENCHMARK(BM_ReadFullImageInProcess)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
