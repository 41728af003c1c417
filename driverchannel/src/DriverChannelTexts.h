// What the driver channel's backends say about a failure, for the caller to
// show under its own failure text (CDriverChannel::FailureReason). The
// channel itself shows nothing.
#pragma once

namespace driverchannel::texts {

// Linux: the driver host and pkexec.
inline constexpr char PKEXEC_DISMISSED[] = "pkexec: the authentication was dismissed or the password refused";
inline constexpr char PKEXEC_NOT_AUTHORIZED[]
    = "pkexec: not authorized, or no authentication agent is running to ask for the password (as root the "
      "driver host needs no pkexec)";
inline constexpr char HOST_ENDED[] = "the driver host ended with exit status %d before it served";
inline constexpr char HOST_KILLED[] = "the driver host was ended by signal %d before it served";
inline constexpr char HOST_SILENT[] = "the driver host did not answer within %d s";
inline constexpr char HOST_NOT_STARTED[] = "the driver host %s could not be started";
inline constexpr char HOST_UNTRUSTED[]
    = "refused: the driver host %s could be changed by someone else (%s is not root's or yours alone)";
inline constexpr char OTHER_BACKEND[] = "the host serving %s drives another keyboard than the one asked for";
inline constexpr char SOCKET_UNTRUSTED[]
    = "refused: %s is not served by the driver host it should be (someone else's socket or process)";
inline constexpr char NO_CONNECTION[] = "cannot connect to the driver host at %s";
inline constexpr char FOLDER_REFUSED[]
    = "refused: the private folder %s is a link, another user's, open to others, or in a folder someone "
      "else can change";
inline constexpr char NO_FOLDER[] = "no private folder for the keyboard's lock (set XDG_RUNTIME_DIR or HOME)";

} // namespace driverchannel::texts
