// The one write loop of the library's ports and sockets: a send waits for room exactly as a
// receive waits for input, in slices of at most 20 ms that let the host's events run and see
// the owner's cancel flag, so a stalled peer never freezes the user interface.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>
#include <sys/types.h>

namespace clocklink {

// Longest a send keeps waiting for room before it gives up.
inline constexpr int kSendLimitSeconds = 10;

// Writes all of data to the non-blocking descriptor fd through writeSome (a write or send
// call: bytes taken, or -1 with errno). False on a write error, on cancelFlag reading 1, or
// when the limit passes with data still unsent.
bool writeAll(int fd, std::string_view data,
              const std::function<ssize_t(const char*, size_t)>& writeSome,
              const int16_t* cancelFlag);

}  // namespace clocklink
