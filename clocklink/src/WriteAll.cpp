#include "WriteAll.h"

#include "clocklink/EventPump.h"

#include <cerrno>
#include <poll.h>

namespace clocklink {

bool writeAll(int fd, std::string_view data,
              const std::function<ssize_t(const char*, size_t)>& writeSome,
              const int16_t* cancelFlag) {
  if (fd < 0) return false;
  size_t done = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(kSendLimitSeconds);
  while (done < data.size()) {
    const ssize_t r = writeSome(data.data() + done, data.size() - done);
    if (r > 0) {
      done += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    // No room: wait one slice for it, with the events and the cancel flag seen in between.
    if (Clock::now() > deadline) return false;
    pumpEvents();
    if (cancelFlag && *cancelFlag == 1) return false;
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(kWaitSlice.count()));
  }
  return true;
}

}  // namespace clocklink
