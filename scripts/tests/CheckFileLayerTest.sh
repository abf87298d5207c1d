#!/usr/bin/env bash
# The file-layer check catches each way of going around the layer however it is spelt: every
# form below is compiled, with the compiler and flags the build uses for a collection source,
# into a scratch object that the check reads as that source; each must be named. The controls
# at the end must pass: nothing forbidden, and the layer's own source.
#   CheckFileLayerTest.sh BUILD_DIR
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
check="$top/scripts/check-file-layer"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The compile command of a product source that sees Qt, libcurl and the system headers, with the
# source, the object and the dependency file replaced.
compile_for() {  # SRC OBJ
  python3 - "$build/compile_commands.json" "$top/app/collect/PunchFiles.cpp" "$1" "$2" <<'PY'
import json, shlex, sys
db, want, src, obj = sys.argv[1:]
for e in json.load(open(db)):
    if e["file"] == want:
        words = shlex.split(e["command"])
        out, skip = [], 0
        for w in words:
            if skip:
                skip -= 1
                continue
            if w in ("-MT", "-MF", "-o", "-c"):
                skip = 1
                continue
            if w == "-MD":
                continue
            out.append(w)
        print(shlex.join(out + ["-o", obj, "-c", src]))
        break
else:
    sys.exit(f"no compile command for {want} in {db}")
PY
}

# name | the source the object is read as | the form's includes | a function body that uses p
# (a const char*) and e (an int)
forms=$(cat <<'EOF'
::open|app/collect/PunchFiles.cpp|#include <fcntl.h>|return ::open(p, O_RDONLY);|open
open unqualified|app/collect/PunchFiles.cpp|#include <fcntl.h>|return open(p, O_RDONLY);|open
::open with a blank|app/collect/PunchFiles.cpp|#include <fcntl.h>|return ::open (p, O_RDONLY);|open
openat|app/collect/PunchFiles.cpp|#include <fcntl.h>|return openat(AT_FDCWD, p, O_RDONLY);|openat
::openat|app/collect/PunchFiles.cpp|#include <fcntl.h>|return ::openat(AT_FDCWD, p, O_RDONLY);|openat
syscall(SYS_openat)|app/collect/PunchFiles.cpp|#include <fcntl.h>|return static_cast<int>(syscall(SYS_openat, AT_FDCWD, p, O_RDONLY));|syscall
::creat|app/collect/PunchFiles.cpp|#include <fcntl.h>|return ::creat(p, 0644);|creat
fopen|app/collect/PunchFiles.cpp|#include <cstdio>|return fopen(p, "r") != nullptr;|fopen
freopen|app/collect/PunchFiles.cpp|#include <cstdio>|return freopen(p, "r", stdin) != nullptr;|freopen
fdopen|app/collect/PunchFiles.cpp|#include <cstdio>|return fdopen(e, "r") != nullptr;|fdopen
tmpfile()|app/collect/PunchFiles.cpp|#include <cstdio>|return tmpfile() != nullptr;|tmpfile
mkstemp|app/collect/PunchFiles.cpp|#include <cstdlib>|char t[] = "xXXXXXX"; return mkstemp(t);|mkstemp
::rename|app/collect/PunchFiles.cpp|#include <cstdio>|return ::rename(p, "x");|rename
::truncate|app/collect/PunchFiles.cpp|#include <unistd.h>|return ::truncate(p, 0);|truncate
::unlink|app/collect/PunchFiles.cpp|#include <unistd.h>|return ::unlink(p);|unlink
std::remove|app/collect/PunchFiles.cpp|#include <cstdio>|return std::remove(p);|remove
::mkdir|app/collect/PunchFiles.cpp|#include <sys/stat.h>|return ::mkdir(p, 0755);|mkdir
::link|app/collect/PunchFiles.cpp|#include <unistd.h>|return ::link(p, "x");|link
std::ifstream|app/collect/PunchFiles.cpp|#include <fstream>|std::ifstream f(p); return f.good();|std::basic_filebuf::open
std::ofstream|app/collect/PunchFiles.cpp|#include <fstream>|std::ofstream f(p); return f.good();|std::basic_filebuf::open
std::fstream|app/collect/PunchFiles.cpp|#include <fstream>|std::fstream f(p); return f.good();|std::basic_filebuf::open
ofstream without std::|app/collect/PunchFiles.cpp|#include <fstream>|using namespace std; ofstream f(p); return f.good();|std::basic_filebuf::open
std::basic_ofstream|app/collect/PunchFiles.cpp|#include <fstream>|std::basic_ofstream<char> f(p); return f.good();|std::basic_filebuf::open
std::filesystem::copy_file|app/collect/PunchFiles.cpp|#include <filesystem>|return std::filesystem::copy_file(p, "x");|std::filesystem::copy_file
std::filesystem::rename|app/collect/PunchFiles.cpp|#include <filesystem>|std::filesystem::rename(p, "x"); return 0;|std::filesystem::rename
std::filesystem::resize_file|app/collect/PunchFiles.cpp|#include <filesystem>|std::filesystem::resize_file(p, 0); return 0;|std::filesystem::resize_file
std::filesystem::remove|app/collect/PunchFiles.cpp|#include <filesystem>|return std::filesystem::remove(p);|std::filesystem::remove
QFile|app/collect/PunchFiles.cpp|#include <QFile>|QFile f(QString::fromUtf8(p)); return f.open(QIODevice::ReadOnly);|QFile::open
QSaveFile|app/collect/PunchFiles.cpp|#include <QSaveFile>|QSaveFile f(QString::fromUtf8(p)); return f.open(QIODevice::WriteOnly);|QSaveFile::open
QTemporaryFile|app/collect/PunchFiles.cpp|#include <QTemporaryFile>|QTemporaryFile f; return f.open();|QTemporaryFile::open
QDir().rename|app/collect/PunchFiles.cpp|#include <QDir>|return QDir().rename(QString::fromUtf8(p), QStringLiteral("x"));|QDir::rename
QDir().remove|app/collect/PunchFiles.cpp|#include <QDir>|return QDir().remove(QString::fromUtf8(p));|QDir::remove
QSettings on a path|app/collect/PunchFiles.cpp|#include <QSettings>|QSettings s(QString::fromUtf8(p), QSettings::IniFormat); return s.contains(QStringLiteral("x"));|QSettings::QSettings
strerror|app/collect/PunchFiles.cpp|#include <cstring>|return strerror(e)[0];|strerror
strerror_r|app/collect/PunchFiles.cpp|#include <cstring>|char b[64]; return strerror_r(e, b, sizeof b)[0];|strerror_r
strerrorname_np|app/collect/PunchFiles.cpp|#include <cstring>|return strerrorname_np(e) != nullptr;|strerrorname_np
std::system_category().message|app/collect/PunchFiles.cpp|#include <system_error>|return static_cast<int>(std::system_category().message(e).size());|std::system_category
error_code::message|app/collect/PunchFiles.cpp|#include <system_error>|std::error_code c = std::make_error_code(std::errc::io_error); return static_cast<int>(c.message().size());|std::generic_category
qt_error_string|app/collect/PunchFiles.cpp|#include <QString>|return static_cast<int>(qt_error_string(e).size());|qt_error_string
errorString()|app/collect/PunchFiles.cpp|#include <QProcess>|QProcess q; return static_cast<int>(q.errorString().size());|QIODevice::errorString
dlerror|app/collect/PunchFiles.cpp|#include <dlfcn.h>|return dlerror() != nullptr;|dlerror
curl_easy_strerror|app/collect/PunchFiles.cpp|#include <curl/curl.h>|return curl_easy_strerror(CURLE_OK) != nullptr;|curl_easy_strerror
another call in an excepted source|clocklink/src/SerialPort.cpp|#include <cstdio>|return fopen(p, "r") != nullptr;|fopen
a .cc file|app/collect/Extra.cc|#include <fcntl.h>|return ::open(p, O_RDONLY);|open
EOF
)
controls=$(cat <<'EOF'
nothing forbidden|app/collect/PunchFiles.cpp|#include <cstring>|return static_cast<int>(strlen(p)) + e;|
the layer's own open|basekit/src/plainfile.cpp|#include <fcntl.h>|return ::open(p, O_RDONLY);|
EOF
)

# Each form compiled into its own object, four at a time; then each object read by the check.
cases=()
while IFS= read -r line; do cases+=("1|$line"); done <<<"$forms"
while IFS= read -r line; do cases+=("0|$line"); done <<<"$controls"
compile_one() {  # N SOURCE INCLUDE BODY
  local n=$1 source=$2 include=$3 body=$4 ext=cpp
  [[ $source == *.cc ]] && ext=cc
  local src="$work/form$n.$ext" obj="$work/form$n.o" cmd
  printf '%s\n#include <unistd.h>\n#include <sys/syscall.h>\nint velta_form(const char* p, int e) {\n  (void)p;\n  (void)e;\n  %s\n}\n' \
    "$include" "$body" >"$src"
  cmd=$(compile_for "$src" "$obj") || return 1
  eval "$cmd" >"$work/form$n.log" 2>&1
}
for n in "${!cases[@]}"; do
  IFS='|' read -r _ name source include body key <<<"${cases[$n]}"
  while (($(jobs -rp | wc -l) >= 4)); do wait -n; done
  compile_one "$n" "$source" "$include" "$body" &
done
wait

failed=0
for n in "${!cases[@]}"; do
  IFS='|' read -r caught name source include body key <<<"${cases[$n]}"
  obj="$work/form$n.o"
  if [[ ! -s $obj ]]; then
    echo "FAIL $name: the form does not compile:"
    sed 's/^/    /' "$work/form$n.log" 2>/dev/null
    failed=1
    continue
  fi
  rc=0
  out=$(bash "$check" --object "$source" "$obj" 2>&1) || rc=$?
  if ((caught)); then
    if ((rc == 0)) || ! grep -qxF "    $key" <<<"$out"; then
      echo "FAIL $name: not caught as $key (status $rc):"
      sed 's/^/    /' <<<"$out"
      failed=1
      continue
    fi
  elif ((rc != 0)); then
    echo "FAIL $name: a control was refused:"
    sed 's/^/    /' <<<"$out"
    failed=1
    continue
  fi
  echo "ok   $name"
done
n=${#cases[@]}
echo "$n forms and controls"
exit $failed
