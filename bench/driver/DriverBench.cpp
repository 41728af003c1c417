// Speed of the keyboard transfers through the driver host:
//   - writing a typical table (header, 128 key packets, finish) to the
//     emulated keyboard, and to the real keyboard's serio backend over a
//     simulated serio_raw, as the ratio to the floor of 1 ms per byte sent
//     (and to it with the device's reply to each byte),
//     beside the ratio of as many of the host's 1 ms waits run here just
//     before (what a loaded machine's timers add, which no path can beat);
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
#include <thread>

#include <kbemu/CEmulatedPc.h>
#include <tavrin/CTavrinClient.h>

#include "../../tests/driver/CFakeSerio.h"
#include "../../tests/emulator-keyboard/TablePackets.h"
#include "MachineWaits.h"

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
        m_dir = ::mkdtemp(pattern);
        m_socket = m_dir + "/s";
        std::vector<std::string> args { TAVRIN_HOST_PATH, "--socket", m_socket, "--emulate",
            m_dir + "/kb.bin" };
        if (serio) {
            m_fake = std::make_unique<CFakeSerio>(m_dir + "/kernel");
            args = { TAVRIN_TEST_HOST_PATH, "--socket", m_socket, "--hardware", "--test-sysfs-root",
                m_fake->Sys(), "--test-dev-root", m_fake->Dev() };
        }
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        m_ok = m_pid > 0 && tavrin::waitForHost(m_socket, WAIT_MS) == tavrin::CLIENT_OK
            && m_client.Connect(m_socket, WAIT_MS) == tavrin::CLIENT_OK;
    }
    ~CBenchHost()
    {
        m_client.Close();
        if (m_pid > 0) {
            tavrin::stopHost(m_socket, WAIT_MS);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_fake.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }
    bool Ok() const { return m_ok; }

    bool Send(const Bytes& packet)
    {
        tavrin::ExchangeResult r;
        return m_client.Exchange(IOCTL_SEND_BYTES, packet.data(), static_cast<std::uint32_t>(packet.size()),
                   nullptr, 0, r, WAIT_MS)
            == tavrin::CLIENT_OK
            && r.status == TAVRIN_STATUS_SUCCESS && r.information == 0;
    }

    std::uint32_t Read(Bytes& block)
    {
        tavrin::ExchangeResult r;
        const std::uint8_t command = keydata::CMD_READ;
        if (m_client.Exchange(IOCTL_READ_DATA, &command, 1, block.data(),
                static_cast<std::uint32_t>(block.size()), r, WAIT_MS)
            != tavrin::CLIENT_OK)
            return 0;
        return r.outputCount;
    }

private:
    std::string m_dir;
    std::string m_socket;
    pid_t m_pid = -1;
    std::unique_ptr<CFakeSerio> m_fake;
    tavrin::CTavrinClient m_client;
    bool m_ok = false;
};

// The simulated serio_raw's own answer time: a byte written to its device
// until the keyboard's reply can be read (a pseudo-terminal and a thread
// each way), which a real keyboard port replaces by the wire time.
double simulatedReplySeconds()
{
    char pattern[] = "/tmp/tavrin-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    double seconds = 0;
    {
        CFakeSerio kernel(dir);
        const int control = ::open((kernel.Sys() + "/bus/serio/devices/serio0/drvctl").c_str(), O_WRONLY);
        if (control >= 0 && ::write(control, "serio_raw", 9) == 9 && kernel.WaitForDriver("serio_raw")) {
            const int device = ::open((kernel.Dev() + "/serio_raw0").c_str(), O_RDWR | O_NOCTTY);
            // The simulated keyboard sends at most a byte a millisecond, as
            // a real one: the rounds are spaced further apart than that.
            constexpr int ROUNDS = 200;
            std::uint8_t byte = 0;
            for (int i = 0; device >= 0 && i < ROUNDS; ++i) {
                std::this_thread::sleep_for(std::chrono::microseconds(1500));
                const auto start = std::chrono::steady_clock::now();
                if (::write(device, &byte, 1) != 1 || ::read(device, &byte, 1) != 1)
                    break;
                seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            }
            seconds /= ROUNDS;
            if (device >= 0)
                ::close(device);
        }
        if (control >= 0)
            ::close(control);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return seconds;
}

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
    double waitSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        waitSeconds += machineWaitSeconds(bytes);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        for (const Bytes& p : packets)
            if (!host.Send(p)) {
                state.SkipWithError("send failed");
                return;
            }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double floor = reportWriteRatios(state, seconds, waitSeconds, bytes);
    // The floor: 1 ms before each byte and the keyboard's answer to it. The
    // emulated keyboard answers within the host's own process; the simulated
    // serio_raw takes its measured reply time, as a real port its wire time.
    double reply = 0;
    if (state.range(0) == 1) {
        reply = simulatedReplySeconds() * static_cast<double>(bytes * state.iterations());
        state.counters["ratio_to_waits_and_replies"] = seconds / (waitSeconds + reply);
    }
    state.counters["ratio_to_floor"] = seconds / (floor + reply);
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
