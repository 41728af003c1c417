// Feeds arbitrary bytes to the host as a connection would: requests are
// parsed one after another and each is served through the driver core with
// the emulated keyboard. Every reply must parse and never carry more output
// than the request offered.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <kbemu/EmulatedPc.h>
#include <kbemu/KeyboardFirmware.h>
#include <kbemu/KeyboardMemory.h>

#include "HostService.h"

namespace {

class CFuzzBackend final : public tavrin::CHostBackend {
public:
    CFuzzBackend()
        : keyboard_(memory_)
        , pc_(keyboard_)
    {
        pc_.SetRecording(false); // and no wait handler: the 1 ms waits are only counted
    }
    TavrinPlatform Platform() override { return pc_.Platform(); }
    std::uint32_t Kind() const override { return tavrin::BACKEND_EMULATED; }

private:
    kbemu::CKeyboardMemory memory_;
    kbemu::CKeyboardFirmware keyboard_;
    kbemu::CEmulatedPc pc_;
};

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CFuzzBackend backend;
    tavrin::CHostService service(backend);
    std::vector<std::uint8_t> reply;
    std::size_t used = 0;
    while (used < size && !service.StopRequested()) {
        tavrin::WireRequest request;
        const int taken = tavrin::parseRequest(data + used, size - used, request);
        if (taken <= 0)
            break;
        check(static_cast<std::size_t>(taken) <= size - used);
        check(
            request.inputLength <= tavrin::WIRE_MAX_INPUT && request.outputLength <= tavrin::WIRE_MAX_OUTPUT);
        reply.clear();
        service.Serve(request, reply);
        tavrin::WireReply parsed;
        check(tavrin::parseReply(reply.data(), reply.size(), request.outputLength, parsed)
            == static_cast<int>(reply.size()));
        used += static_cast<std::size_t>(taken);
    }
    return 0;
}
