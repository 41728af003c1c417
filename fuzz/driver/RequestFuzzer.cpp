// Feeds arbitrary bytes to the host as a connection would, through the same
// stream handling the server uses, once whole and once split into small
// pieces as a peer's writes may arrive. Each request is served through the
// driver core with the emulated keyboard. Every reply must parse, never carry
// more output than its request offered, and the split stream must be
// answered exactly like the whole one.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <kbemu/CEmulatedPc.h>
#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>

#include "CRequestStream.h"

namespace {

class CFuzzBackend final : public tavrin::CHostBackend {
public:
    CFuzzBackend()
        : m_keyboard(m_memory)
        , m_pc(m_keyboard)
    {
        // No wait handler: the 1 ms waits cost nothing here.
    }
    TavrinPlatform Platform() override { return m_pc.Platform(); }
    std::uint32_t Kind() const override { return tavrin::BACKEND_EMULATED; }

private:
    kbemu::CKeyboardMemory m_memory;
    kbemu::CKeyboardFirmware m_keyboard;
    kbemu::CEmulatedPc m_pc;
};

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Serves data arriving in pieces of the given sizes (cycled; 0: all at once)
// and returns every reply byte, checking each reply on the way.
std::vector<std::uint8_t> serve(const std::uint8_t* data, std::size_t size, std::uint8_t splitSeed)
{
    CFuzzBackend backend;
    tavrin::CRequestDispatcher dispatcher(backend);
    tavrin::CRequestStream stream;
    std::vector<std::uint8_t> all;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < size && !dispatcher.StopRequested(); ++piece) {
        const std::size_t length
            = splitSeed == 0 ? size : 1 + (static_cast<std::size_t>(splitSeed) * (piece + 1) * 31) % 23;
        const std::size_t take = length < size - at ? length : size - at;
        stream.Take(data + at, take);
        at += take;
        for (;;) {
            std::vector<std::uint8_t> reply;
            const tavrin::CRequestStream::Step step = stream.ServeNext(dispatcher, reply);
            if (step == tavrin::CRequestStream::Step::Incomplete)
                break;
            tavrin::WireReply parsed;
            check(tavrin::parseReply(reply.data(), reply.size(), tavrin::WIRE_MAX_OUTPUT, parsed)
                == static_cast<int>(reply.size()));
            all.insert(all.end(), reply.begin(), reply.end());
            if (step == tavrin::CRequestStream::Step::Malformed)
                return all;
            if (dispatcher.StopRequested())
                return all;
        }
    }
    std::vector<std::uint8_t> last;
    stream.End(last);
    all.insert(all.end(), last.begin(), last.end());
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::vector<std::uint8_t> whole = serve(data + 1, size - 1, 0);
    const std::vector<std::uint8_t> split = serve(data + 1, size - 1, data[0] == 0 ? 1 : data[0]);
    check(whole == split);
    return 0;
}
