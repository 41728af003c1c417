// What the standard library's headers need from a runtime, for the test build
// of the driver, which links nothing but the kernel and the HAL: the heap is
// pool memory, and the few places where the hosted library would throw stop
// the system instead (this code is built without exceptions, and none of
// these can happen in the emulator's use of the containers but running out
// of pool). There is no C runtime start either: no constructor of a global
// object would ever run, so the sources compiled into the driver have none.
#include <ntddk.h>

#include <cstddef>
#include <new>

namespace {

constexpr ULONG HEAP_TAG = 0x6D456154; // "TaEm"
// A customer bug check code (bit 29 set): the emulator's runtime gave up.
constexpr ULONG RUNTIME_BUGCHECK = 0xE0544501;
enum RuntimeFailure : ULONG_PTR { OUT_OF_POOL = 1, LIBRARY_ERROR = 2, PURE_VIRTUAL_CALL = 3 };

[[noreturn]] void stop(RuntimeFailure why)
{
    KeBugCheckEx(RUNTIME_BUGCHECK, why, 0, 0, 0);
}

void* allocate(std::size_t size)
{
    // Zero bytes still make a distinct object.
    return ExAllocatePoolWithTag(NonPagedPool, size != 0 ? size : 1, HEAP_TAG);
}

void* allocateOrStop(std::size_t size)
{
    void* block = allocate(size);
    if (block == nullptr)
        stop(OUT_OF_POOL);
    return block;
}

void release(void* block)
{
    if (block != nullptr)
        ExFreePoolWithTag(block, HEAP_TAG);
}

} // namespace

void* operator new(std::size_t size)
{
    return allocateOrStop(size);
}

void* operator new[](std::size_t size)
{
    return allocateOrStop(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void operator delete(void* block) noexcept
{
    release(block);
}

void operator delete[](void* block) noexcept
{
    release(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    release(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    release(block);
}

namespace std {
const nothrow_t nothrow {};
} // namespace std

// The library's error paths (a container's length limit, an empty
// std::function called), declared by <bits/functexcept.h>.
namespace std {

void __throw_bad_alloc()
{
    stop(OUT_OF_POOL);
}

void __throw_bad_array_new_length()
{
    stop(OUT_OF_POOL);
}

void __throw_length_error(const char*)
{
    stop(LIBRARY_ERROR);
}

void __throw_logic_error(const char*)
{
    stop(LIBRARY_ERROR);
}

void __throw_out_of_range_fmt(const char*, ...)
{
    stop(LIBRARY_ERROR);
}

void __throw_bad_function_call()
{
    stop(LIBRARY_ERROR);
}

} // namespace std

extern "C" void __cxa_pure_virtual()
{
    stop(PURE_VIRTUAL_CALL);
}
