// Where the host that serves the real keyboard lives: a fixed, root-owned
// runtime folder (LODEMAR_RUN_DIR, set when the project is configured) with
// the socket, the lock and the holder's record inside. Every host for the
// real keyboard uses it; nothing about it comes from the caller.
#pragma once

#define TAVRIN_RUN_SOCKET_NAME "tavrin.sock"
#define TAVRIN_RUN_LOCK_NAME "tavrin.lock"
#define TAVRIN_RUN_HOLDER_NAME "tavrin.holder"

namespace tavrin {

inline constexpr char RUN_SOCKET_NAME[] = TAVRIN_RUN_SOCKET_NAME;
// 0600: flock(LOCK_EX) for the host's whole life. Only root can open it, so
// only a host can hold it.
inline constexpr char RUN_LOCK_NAME[] = TAVRIN_RUN_LOCK_NAME;
// 0644: who holds the lock (TavrinHolder.h), written only by its holder.
inline constexpr char RUN_HOLDER_NAME[] = TAVRIN_RUN_HOLDER_NAME;

// The system user the real keyboard's serving process runs as (created by
// the packages); the driver channel trusts a real keyboard's socket only
// when that user (or root) serves it.
inline constexpr char SERVING_USER[] = "_tavrin";

#ifdef LODEMAR_RUN_DIR
inline constexpr char RUN_DIRECTORY[] = LODEMAR_RUN_DIR;
inline constexpr char HARDWARE_SOCKET_PATH[] = LODEMAR_RUN_DIR "/" TAVRIN_RUN_SOCKET_NAME;
inline constexpr char HARDWARE_HOLDER_PATH[] = LODEMAR_RUN_DIR "/" TAVRIN_RUN_HOLDER_NAME;
#endif

} // namespace tavrin
