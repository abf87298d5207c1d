// Whole-file reads and crash-safe whole-file replacement: a crash or a failed
// write leaves either the old file or the new one, never a torn one.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace basekit {

// Writes a temp file in the same folder, fsyncs it, renames it over path and
// fsyncs the folder. A replaced file keeps its permission bits; a new file gets
// newFileMode less the umask. A path whose last component is a symbolic link is refused (false,
// errno ELOOP) and the file it names left untouched. On failure the old file is untouched, the temp
// file removed and *error holds a readable reason and errno the cause. The temp file is
// "<file>.velta-tmp.<pid>.XXXXXX"; one left by a writer that died before its rename is removed at
// the next replace of the same file.
bool replaceFileAtomically(const std::string& path, std::string_view data,
                           std::string* error = nullptr, mode_t newFileMode = 0666);

// False when the file is missing or unreadable (reason in *error).
bool readWholeFile(const std::string& path, std::string& out, std::string* error = nullptr);

namespace testing {
// The next replaceFileAtomically (in any thread) writes afterBytes of its temp
// file and then fails as if write() had returned errnoValue.
void failNextReplace(int errnoValue, size_t afterBytes = 0);
// Called at each step of every replace: "written" once the temp file is complete
// and synced, just before the rename (a test kills the process there). nullptr: none.
using StepHook = void (*)(std::string_view step);
void setStepHook(StepHook hook);
}  // namespace testing

}  // namespace basekit
