// Texts the program adds beside its message table: the failures it reports with a file name
// and the system's reason, for which the table has no number. Each is held in the table's
// three languages and chosen by the same LENGUAJE offset; %1, %2, ... stand for the parts
// filled in (a file name, a count, the system's reason).
#pragma once

#include <initializer_list>
#include <string>

namespace basekit {
struct FileError;
}

enum class ExtraMsg {
  SaveFailed,          // %1 file, %2 reason
  ReadFailed,          // %1 file, %2 reason
  KeepAsideFailed,     // %1 file, %2 reason
  KeptAside,           // %1 file, %2 the copy
  BytesPastRecords,    // %1 file, %2 count
  UnknownForm,         // %1 file, %2 version
  NoWholeRecord,       // %1 file
  UnknownUserForm,     // %1 file
  CardRowInvalid,      // %1 row, %2 card text, %3 file
  CompanyTooLong,      // %1 slot, %2 file
  LineSettings,        // %1 settings text
  NotSerialPort,       // %1 device
  DeviceRefused,       // %1 device, %2 settings text, %3 reason
  ProgramNotStarted,   // %1 program, %2 reason
  ProgramAbnormalEnd,  // %1 program, %2 reason
  ProgramExitCode,     // %1 program, %2 exit code
  PrinterNoDocument,   // %1 printer or file
  PrinterNoPage,       // %1 page
  PrinterFailed,
  NotPlainFile,  // the reason for a data file that is a symbolic link
  TooLarge,      // %1 file
  // The system's reasons an operator meets, in place of the system's English texts.
  ReasonAccess,       // EACCES, EPERM
  ReasonMissing,      // ENOENT
  ReasonDiskFull,     // ENOSPC
  ReasonQuota,        // EDQUOT
  ReasonReadOnly,     // EROFS
  ReasonIsFolder,     // EISDIR
  ReasonNotFolder,    // ENOTDIR
  ReasonFileTooBig,   // EFBIG
  ReasonIo,           // EIO
  ReasonBusy,         // EBUSY
  ReasonNotPlain,     // something under a data file's name that is no plain file (a FIFO, a device)
  ReasonSecondName,   // a data file with a second name (a hard link)
  FilterAll,          // the file dialogs' filter for every file
  LastAdministrator,  // %1 user
  LoginWithoutDisplay,
  // start without a display
  DisplayUnreachable,  // %1 the displays named, as ":77 (DISPLAY)"
  // the file layer's refusals and the failures it reports
  ReasonReplacedWhileRead,  // another file took a data file's name while it was read
  ReasonSystem,             // %1 the system's name of an error no text above covers
  LogOpenFailed,            // %1 file, %2 reason
  LogWriteFailed,           // %1 file, %2 reason
  ReasonInvalid,            // EINVAL
  // operator fixes
  NoMailClient,  // mailing a file with no mail client set up on the desktop
  // the file layer's refusals and the failures it reports
  ReasonEndedBySignal,  // a program started from here was ended by a signal
  // design: start-up
  StartFailed,  // followed by the reason
  // a start without a display that needs the log-in
  NotAutomaticDay,  // %1 AUTODIAS as set, %2 today's character in it (Sunday the first);
                    // LoginWithoutDisplay follows it
  // collection: a download that failed takes back what it wrote
  WritesUndone,  // the files went back to their length before the download
  UndoFailed,    // %1 file, %2 reason
  // velta-init: a station's first data folder
  InitUsage,
  InitUserName,        // %1 user
  InitPasswordWhole,   // a password that is a number but not one the user file can hold
  InitPasswordPrompt,  // %1 user
  InitPasswordAgain,
  InitHasUsers,     // %1 the user file
  InitFolderLink,   // %1 folder
  InitNotFolder,    // %1 folder
  InitNameRefused,  // %1 file, %2 reason
  InitFailed,       // %1 folder, %2 what failed
  InitDone,         // %1 folder, %2 user
  // the converter add-in that cannot be called, and the kind of reason
  AddInFailed,        // %1 the add-in's file, %2 the reason below
  AddInNotFound,      // no such file where libraries are looked for
  AddInNotLoadable,   // the file is there but is no library this system can load
  AddInNoEntryPoint,  // the library has no QCvt
  // an FTP transfer that failed with no reply from the server, by libcurl's kind of failure
  FtpHostNotFound,
  FtpProxyNotFound,
  FtpNoConnection,
  FtpTimedOut,
  FtpConnectionLost,
  FtpLocalRead,
  FtpBadServerName,
  FtpBadProxy,
  FtpLoginDenied,
  FtpRefused,
  FtpOddReply,
  FtpDataConnection,
  FtpOutOfMemory,
  FtpOther,  // %1 libcurl's code
  // Qt's platform for the display cannot be loaded
  DisplayPlatformMissing,  // %1 the display, as "wayland-0 (WAYLAND_DISPLAY)", %2 the platform
  Count
};

// Text `id` in the language of the current settings with %1, %2, ... replaced by `args`.
// Spanish when there are no settings or the offset is no language, so a failure is never
// reported with an empty text.
std::string GetExtraMsg(ExtraMsg id, std::initializer_list<std::string> args = {});

// The same with an explicit language offset (0, 1000, 2000).
std::string GetExtraMsgIn(ExtraMsg id, int lenguaje, std::initializer_list<std::string> args = {});

// The one place a failure's reason is worded: the system's error number `err` in the current
// language. The reasons an operator meets (a denied permission, a full disk, a folder, ...)
// each have a text; any other is "system error" with the system's name for it (EINVAL), never
// the system's English text.
std::string systemReason(int err);
std::string systemReasonIn(int err, int lenguaje);

// A file-layer failure worded by its kind (a data file that is a symbolic link, has a second
// name, is no plain file, is too large, was replaced while read) or, for the system's refusal,
// by its error number: its reason, and "<file>: <reason>".
std::string fileReason(const basekit::FileError& error);
std::string fileReasonIn(const basekit::FileError& error, int lenguaje);
std::string fileFailure(const basekit::FileError& error);
