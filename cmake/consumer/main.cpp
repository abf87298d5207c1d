// Calls into each installed library, so each is linked and loaded: ends with 0 when every
// call answered as documented.
#include <basekit/codepage.h>
#include <clocklink/ClsMirsol.h>
#include <remcmd/Remcmd.h>

#include <V2000Cvt.h>
#include <cstdio>
#include <string>

int main() {
  bool exact = false;
  if (basekit::utf8ToCp1252("\xC3\x91", &exact) != "\xD1" || !exact) return 1;
  clocklink::ClsMirsol clock;
  clock.SetTimeOut(3);
  remcmd::Remcmd control;
  if (control.serverRefused()) return 2;  // no exchange yet
  // A punch file that does not exist: the converter's open failure.
  if (QCvt("/nonexistent/in.MIR", "/nonexistent/out.txt", " ") != -1) return 3;
  std::puts("consumer: basekit, clocklink, remcmd and v2000cvt linked and answered");
  return 0;
}
