// A program that links the link library the way an installed program does (no test hooks):
// prints the fraction of the fixed waits it runs.
#include <clocklink/EventPump.h>

#include <cstdio>

int main() {
  std::printf("%g\n", clocklink::timeScale());
  return 0;
}
