// The exit statuses of every program of the suite: one table (the man
// pages list it). A code means the same wherever it is used; the programs
// that use it are named.
#pragma once

namespace lodemar {

// Success; lodemar-cli diff: the two layouts are equal.
inline constexpr int EXIT_OK = 0;
// The command failed, one line on standard error says why;
// lodemar-cli diff: the layouts differ; vorelin: the reader answered with
// an error status.
inline constexpr int EXIT_FAILED = 1;
// A wrong command line (every program).
inline constexpr int EXIT_USAGE = 2;
// lodemar-cli verify, apply --check: the keyboard holds another table.
inline constexpr int EXIT_DIFFERS = 3;
// lodemar-cli diff: a layout could not be read, so nothing was compared.
inline constexpr int EXIT_NOT_COMPARED = 4;
// vorelin: the exchange with the reader failed (no reply, or one that
// failed its checks).
inline constexpr int EXIT_NO_REPLY = 5;
// vorelin: the port cannot be opened; vorelin-emu: no pseudo-terminal;
// tavrin: its memory file, keyboard port, runtime folder or socket cannot
// be had.
inline constexpr int EXIT_CANNOT_OPEN = 6;
// tavrin: another host already serves the socket or holds the keyboard.
inline constexpr int EXIT_IN_USE = 7;
// tavrin: the real keyboard's serving process was killed (its monitor gave
// the keyboard port back).
inline constexpr int EXIT_SERVING_LOST = 8;

} // namespace lodemar
