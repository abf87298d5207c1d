// Syncs cost a disk flush each and make a target crawl; in a scratch folder that nobody
// keeps they buy nothing. A target that includes this header gets syncs that only check
// their descriptor.
#pragma once

#include <fcntl.h>

extern "C" int fsync(int fd) { return ::fcntl(fd, F_GETFD) == -1 ? -1 : 0; }
extern "C" int fdatasync(int fd) { return ::fcntl(fd, F_GETFD) == -1 ? -1 : 0; }
