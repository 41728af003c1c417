// Where the host that serves the real keyboard lives: a fixed, root-owned
// runtime folder (LODEMAR_RUN_DIR, set when the project is configured) with
// the socket and the lock inside. Every host for the real keyboard uses it;
// nothing about it comes from the caller.
#pragma once

#define TAVRIN_RUN_SOCKET_NAME "tavrin.sock"
#define TAVRIN_RUN_LOCK_NAME "tavrin.lock"

namespace tavrin {

inline constexpr char RUN_SOCKET_NAME[] = TAVRIN_RUN_SOCKET_NAME;
// flock(LOCK_EX) for the host's whole life; one line "<caller pid> <caller uid>\n".
inline constexpr char RUN_LOCK_NAME[] = TAVRIN_RUN_LOCK_NAME;

#ifdef LODEMAR_RUN_DIR
inline constexpr char RUN_DIRECTORY[] = LODEMAR_RUN_DIR;
inline constexpr char HARDWARE_SOCKET_PATH[] = LODEMAR_RUN_DIR "/" TAVRIN_RUN_SOCKET_NAME;
inline constexpr char HARDWARE_LOCK_PATH[] = LODEMAR_RUN_DIR "/" TAVRIN_RUN_LOCK_NAME;
#endif

} // namespace tavrin
