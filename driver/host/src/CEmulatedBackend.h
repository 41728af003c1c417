// The emulated PC and keyboard behind tavrin-emu, with real 1 ms waits and
// the keyboard's memory kept in a file.
#pragma once

#include <memory>
#include <string>

#include "CHostBackend.h"
#include "EmulatedOptions.h"

namespace tavrin {

// Returns null with a message when the memory file cannot be had.
std::unique_ptr<CHostBackend> openEmulatedBackend(const EmulatedOptions& options, std::string& error);

} // namespace tavrin
