#include "ReadAll.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace clocklink {

ReadResult readAll(const std::string& path, std::string& out, size_t maxBytes,
                   std::string* reason) {
  out.clear();
  // O_NONBLOCK: a FIFO in the file's place must not hang the open. O_NOFOLLOW: a symbolic link
  // in its place is refused, never read through.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    const int e = errno;
    if (e == ENOENT || e == ENOTDIR) return ReadResult::Missing;
    if (reason)
      *reason = path + ": " + (e == ELOOP ? "a symbolic link, not read" : std::strerror(e));
    return ReadResult::Refused;
  }
  auto refuse = [&](const std::string& why) {
    ::close(fd);
    out.clear();
    if (reason) *reason = path + ": " + why;
    return ReadResult::Refused;
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) return refuse(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return refuse("not a regular file");
  const auto tooLarge = [&] {
    return refuse("larger than " + std::to_string(maxBytes) + " bytes, not read");
  };
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return tooLarge();
  out.reserve(static_cast<size_t>(st.st_size));
  char buf[16384];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return refuse(std::strerror(errno));
    if (r == 0) break;
    if (static_cast<size_t>(r) > maxBytes - out.size()) return tooLarge();  // it grew
    out.append(buf, static_cast<size_t>(r));
  }
  ::close(fd);
  return ReadResult::Read;
}

}  // namespace clocklink
