// The machine of the test build: the emulated PC and programmable keyboard
// behind the driver's ports. Wine runs kernel drivers but cannot do port I/O,
// so this build lets the whole Windows path (service control manager, the NT
// frame, buffered device control, the core) run there. It is built only by
// the x86_64 cross build, into its own folder, and never shipped.
//
// The keyboard's memory is kept in MEMORY_FILE, as the real keyboard keeps
// it, so a table written in one run of the program reads back in the next,
// after the service was stopped and deleted in between. At start, the fault
// names in FAULT_FILE (the driver host's --fault names, separated by white
// space, e.g. "silent") are given to the emulated keyboard; without the file
// it behaves.
#include "../TavrinMachine.h"

#include <kbemu/CEmulatedPc.h>
#include <kbemu/CKeyboardFirmware.h>
#include <kbemu/CKeyboardMemory.h>
#include <kbemu/KeyboardFaultNames.h>

#include <memory>
#include <new>
#include <string_view>

// Exported by the kernel, missing from mingw-w64's driver kit headers.
extern "C" NTSYSAPI NTSTATUS NTAPI ZwFlushBuffersFile(HANDLE file, PIO_STATUS_BLOCK io);

const ULONG TAVRIN_DEVICE_EXTENSION_SIZE = sizeof(void*);

namespace {

// C:\windows\temp (Wine has no \SystemRoot in its object namespace).
constexpr WCHAR MEMORY_FILE[] = L"\\??\\C:\\windows\\temp\\TavrinEmulatedKeyboard.bin";
constexpr WCHAR FAULT_FILE[] = L"\\??\\C:\\windows\\temp\\TavrinEmulatedKeyboard.fault";
constexpr ULONG FAULT_FILE_MAX = 256;

struct CEmulatedMachine {
    CEmulatedMachine()
        : firmware(memory)
        , pc(firmware)
    {
        KeInitializeMutex(&lock, 0);
    }

    KMUTEX lock; // one request at a time
    kbemu::CKeyboardMemory memory;
    kbemu::CKeyboardFirmware firmware;
    kbemu::CEmulatedPc pc;
};

CEmulatedMachine*& machineOf(PDEVICE_OBJECT device)
{
    return *static_cast<CEmulatedMachine**>(device->DeviceExtension);
}

NTSTATUS openFile(const WCHAR* path, ACCESS_MASK access, ULONG disposition, HANDLE& file)
{
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(
        &attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    IO_STATUS_BLOCK io;
    return ZwCreateFile(&file, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
        FILE_SHARE_READ, disposition, FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, nullptr, 0);
}

// Reads up to count bytes from offset; got receives how many came.
NTSTATUS readAt(HANDLE file, ULONG offset, void* into, ULONG count, ULONG& got)
{
    IO_STATUS_BLOCK io;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    got = 0;
    const NTSTATUS status = ZwReadFile(file, nullptr, nullptr, nullptr, &io, into, count, &at, nullptr);
    if (status == STATUS_END_OF_FILE)
        return STATUS_SUCCESS;
    if (NT_SUCCESS(status))
        got = static_cast<ULONG>(io.Information);
    return status;
}

// Writes through, so that the bytes survive the driver; flushes on Sync.
class CKernelFileStore final : public kbemu::CMemoryStore {
public:
    explicit CKernelFileStore(HANDLE file)
        : m_file(file)
    {
    }
    ~CKernelFileStore() override { ZwClose(m_file); }

    int Save(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) override
    {
        IO_STATUS_BLOCK io;
        LARGE_INTEGER at;
        at.QuadPart = offset;
        NTSTATUS status = ZwWriteFile(
            m_file, nullptr, nullptr, nullptr, &io, const_cast<std::uint8_t*>(bytes), count, &at, nullptr);
        return NT_SUCCESS(status) && io.Information == count ? kbemu::MEMORY_OK : kbemu::MEMORY_E_IO;
    }

    int Sync() override
    {
        IO_STATUS_BLOCK io;
        return NT_SUCCESS(ZwFlushBuffersFile(m_file, &io)) ? kbemu::MEMORY_OK : kbemu::MEMORY_E_IO;
    }

private:
    HANDLE m_file;
};

// As the driver host's memory file: a missing or empty file becomes an
// erased keyboard; a file of any other size is refused and left alone.
NTSTATUS attachMemoryFile(kbemu::CKeyboardMemory& memory)
{
    HANDLE file = nullptr;
    NTSTATUS status = openFile(MEMORY_FILE, GENERIC_READ | GENERIC_WRITE, FILE_OPEN_IF, file);
    if (!NT_SUCCESS(status))
        return status;
    IO_STATUS_BLOCK io;
    FILE_STANDARD_INFORMATION info;
    status = ZwQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation);
    if (!NT_SUCCESS(status)) {
        ZwClose(file);
        return status;
    }
    const LONGLONG size = info.EndOfFile.QuadPart;
    if (size != 0 && size != kbemu::MEMORY_SIZE) {
        ZwClose(file);
        return STATUS_FILE_INVALID;
    }
    if (size == kbemu::MEMORY_SIZE) {
        const std::unique_ptr<std::uint8_t[]> cells(new (std::nothrow) std::uint8_t[kbemu::MEMORY_SIZE]);
        if (!cells) {
            ZwClose(file);
            return STATUS_INSUFFICIENT_RESOURCES;
        }
        ULONG got = 0;
        status = readAt(file, 0, cells.get(), kbemu::MEMORY_SIZE, got);
        if (!NT_SUCCESS(status) || got != kbemu::MEMORY_SIZE) {
            ZwClose(file);
            return NT_SUCCESS(status) ? STATUS_FILE_INVALID : status;
        }
        for (std::uint32_t address = 0; address < kbemu::MEMORY_SIZE; ++address)
            memory.Store(address, cells[address]);
        memory.Commit(); // no store yet: only marks the cells clean
        memory.Attach(std::make_unique<CKernelFileStore>(file));
        return STATUS_SUCCESS;
    }
    memory.Attach(std::make_unique<CKernelFileStore>(file));
    memory.Erase();
    return memory.Sync() == kbemu::MEMORY_OK ? STATUS_SUCCESS : STATUS_UNEXPECTED_IO_ERROR;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

NTSTATUS readFaults(kbemu::EmulatedFaults& faults)
{
    HANDLE file = nullptr;
    NTSTATUS status = openFile(FAULT_FILE, GENERIC_READ, FILE_OPEN, file);
    if (status == STATUS_OBJECT_NAME_NOT_FOUND)
        return STATUS_SUCCESS;
    if (!NT_SUCCESS(status))
        return status;
    char text[FAULT_FILE_MAX];
    ULONG length = 0;
    status = readAt(file, 0, text, sizeof text, length);
    ZwClose(file);
    if (!NT_SUCCESS(status))
        return status;
    const std::string_view names(text, length);
    for (std::size_t at = 0; at < names.size();) {
        if (isBlank(names[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < names.size() && !isBlank(names[end]))
            ++end;
        if (!kbemu::addFaultByName(names.substr(at, end - at), faults))
            return STATUS_INVALID_PARAMETER;
        at = end;
    }
    return STATUS_SUCCESS;
}

} // namespace

NTSTATUS TavrinMachineStart(PDEVICE_OBJECT device)
{
    machineOf(device) = nullptr;
    kbemu::EmulatedFaults faults;
    NTSTATUS status = readFaults(faults);
    if (!NT_SUCCESS(status)) {
        DbgPrint("emulated keyboard: bad fault file (%08x)\n", static_cast<unsigned>(status));
        return status;
    }
    std::unique_ptr<CEmulatedMachine> machine(new (std::nothrow) CEmulatedMachine);
    if (!machine)
        return STATUS_INSUFFICIENT_RESOURCES;
    status = attachMemoryFile(machine->memory);
    if (!NT_SUCCESS(status)) {
        DbgPrint("emulated keyboard: memory file refused (%08x)\n", static_cast<unsigned>(status));
        return status;
    }
    machine->firmware.SetFaults(faults.keyboard);
    machine->pc.SetBusy(faults.busyController);
    machineOf(device) = machine.release();
    return STATUS_SUCCESS;
}

void TavrinMachineStop(PDEVICE_OBJECT device)
{
    delete machineOf(device);
    machineOf(device) = nullptr;
}

void TavrinMachineAcquire(PDEVICE_OBJECT device, TavrinPlatform& platform)
{
    CEmulatedMachine* machine = machineOf(device);
    KeWaitForSingleObject(&machine->lock, Executive, KernelMode, FALSE, nullptr);
    const TavrinPlatform ports = machine->pc.Platform();
    platform.context = ports.context;
    platform.readPort = ports.readPort;
    platform.writePort = ports.writePort;
}

void TavrinMachineRelease(PDEVICE_OBJECT device)
{
    KeReleaseMutex(&machineOf(device)->lock, FALSE);
}
