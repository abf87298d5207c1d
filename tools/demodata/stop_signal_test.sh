#!/usr/bin/env bash
# velta ends on SIGTERM during the automatic run: the run stops without asking for a log-in
# (nobody is there to give one), the exit status is 0, the settings are intact and the
# instance lock is free again.
#   stop_signal_test.sh <build-dir> <scratch-folder>
set -euo pipefail
build=$1
data=$2
rm -rf "$data"
mkdir -p "$data"
"$build/tools/demodata/demodata" write "$data" 7001 1 >/dev/null
cd "$data"
QT_QPA_PLATFORM=offscreen "$build/app/velta" &
pid=$!
# The lock is taken after the signal handlers are in place: once it is held, a SIGTERM is ours.
for _ in $(seq 1 600); do
  if [[ -e VELTA.LCK ]] && ! flock -n VELTA.LCK true; then break; fi
  kill -0 "$pid" 2>/dev/null || { echo "velta ended early" >&2; exit 1; }
  sleep 0.1
done
cp VELTA.INI VELTA.INI.before
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
[[ $rc -eq 0 ]] || { echo "velta exited with $rc" >&2; exit 1; }
cmp -s VELTA.INI VELTA.INI.before || { echo "the settings changed" >&2; exit 1; }
flock -n VELTA.LCK true || { echo "the lock is still held" >&2; exit 1; }
echo "velta ended on SIGTERM during the automatic run"
