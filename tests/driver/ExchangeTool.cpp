// A diagnostic client for a running host, for checks on a real kernel (the
// host's trace, --trace, shows each reply byte):
//
//   tavrin_exchange SOCKET send HEX...   IOCTL_SEND_BYTES with these bytes
//   tavrin_exchange SOCKET read HEX      IOCTL_READ_DATA with this command byte
//   tavrin_exchange SOCKET stop          HOST_STOP
//
// Prints "status S information I" (hexadecimal status) and, for a read, the
// block; exits 0 when the exchange itself worked.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <tavrin/CTavrinClient.h>

int main(int argc, char** argv)
{
    using namespace tavrin;
    constexpr int TIMEOUT_MS = 30000;
    if (argc < 3) {
        std::fputs("usage: tavrin_exchange SOCKET (send HEX... | read HEX | stop)\n", stderr);
        return 2;
    }
    const std::string what = argv[2];
    if (what == "stop")
        return stopHost(argv[1], TIMEOUT_MS) == CLIENT_OK ? 0 : 1;
    std::vector<std::uint8_t> input;
    for (int i = 3; i < argc; ++i)
        input.push_back(static_cast<std::uint8_t>(std::strtoul(argv[i], nullptr, 16)));
    const bool read = what == "read";
    std::vector<std::uint8_t> output(read ? 10240 : 0);
    CTavrinClient client;
    ExchangeResult result;
    if (client.Connect(argv[1], TIMEOUT_MS) != CLIENT_OK
        || client.Exchange(read ? IOCTL_READ_DATA : IOCTL_SEND_BYTES, input.data(),
               static_cast<std::uint32_t>(input.size()), output.data(),
               static_cast<std::uint32_t>(output.size()), result, TIMEOUT_MS)
            != CLIENT_OK) {
        std::fputs("tavrin_exchange: no answer from the host\n", stderr);
        return 1;
    }
    std::printf("status %08x information %u\n", result.status, result.information);
    for (std::uint32_t i = 0; i < result.outputCount; ++i)
        std::printf("%02x%s", output[i], (i + 1) % 32 == 0 || i + 1 == result.outputCount ? "\n" : " ");
    return 0;
}
