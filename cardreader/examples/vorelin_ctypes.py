#!/usr/bin/env python3
"""Drives a card reader through the Vorelin library from Python with ctypes.

usage: vorelin_ctypes.py LIBRARY PORT
  LIBRARY  path of libvorelin.so (or Vorelin.dll on Windows)
  PORT     the reader's serial device
"""
import ctypes
import sys


def load(path):
    # The Windows library uses __stdcall: WinDLL. Elsewhere the C convention.
    lib = ctypes.WinDLL(path) if sys.platform == "win32" else ctypes.CDLL(path)
    handle, i32, u32, buf = ctypes.c_void_p, ctypes.c_int32, ctypes.c_uint32, ctypes.c_char_p
    signatures = {
        "OpenComProt": (handle, [ctypes.c_char_p]),
        "CloseComProt": (i32, [handle]),
        "MakeBeep": (i32, [handle, i32]),
        "PowerOn": (i32, [handle]),
        "PowerOff": (i32, [handle]),
        "GetICVersion": (i32, [handle, buf, ctypes.POINTER(u32)]),
        "IsCardPresent": (i32, [handle, ctypes.POINTER(i32)]),
        "ReadData": (i32, [handle, buf, i32, i32, i32, ctypes.POINTER(u32)]),
        "WriteData": (i32, [handle, buf, u32, i32, i32]),
        "CheckPassword": (i32, [handle, buf]),
        "ChangePassword": (i32, [handle, buf]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


def expect(what, result, wanted=0):
    print(f"{what:<16} result {result}")
    if result != wanted:
        raise SystemExit(f"{what}: expected {wanted}, got {result}")


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    lib = load(sys.argv[1])
    port = lib.OpenComProt(sys.argv[2].encode())
    if not port:
        raise SystemExit(f"cannot open {sys.argv[2]}")
    try:
        version = ctypes.create_string_buffer(251)
        count = ctypes.c_uint32()
        expect("version", lib.GetICVersion(port, version, ctypes.byref(count)))
        print("  ", version.raw[: count.value].decode("ascii", "replace"))

        indication = ctypes.c_int32(-1)
        expect("card present", lib.IsCardPresent(port, ctypes.byref(indication)))
        print("   indication", indication.value)

        expect("beep", lib.MakeBeep(port, 1))
        expect("beep 2", lib.MakeBeep(port, 2), wanted=-1)
        expect("power on", lib.PowerOn(port))
        expect("check password", lib.CheckPassword(port, b"\xff\xff\xff"))

        data = b"\x10\x20\x30\x40\x50"
        expect("write", lib.WriteData(port, data, len(data), 0x60, 0))
        back = ctypes.create_string_buffer(251)
        delivered = ctypes.c_uint32()
        expect("read", lib.ReadData(port, back, len(data), 0x60, 0, ctypes.byref(delivered)))
        if back.raw[: delivered.value] != data:
            raise SystemExit(f"read back {back.raw[: delivered.value].hex()}, wrote {data.hex()}")
        print("   read back", back.raw[: delivered.value].hex(" "))
        expect("power off", lib.PowerOff(port))
    finally:
        expect("close", lib.CloseComProt(port), wanted=1)


if __name__ == "__main__":
    main()
