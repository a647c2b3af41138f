#!/usr/bin/env bash
# Usage: wayland_e2e.sh CORVANE
# Runs the real corvane in a Wayland session (weston, headless) without an X
# display and checks the choice of platform and its fallbacks: the window
# runs on Wayland, ends in order on SIGTERM and without hanging when the
# compositor dies; a Wayland display that is gone means console mode.
# Skips (77) only where weston cannot start.
set -uo pipefail

corvane=$1
here=$(cd "$(dirname "$0")" && pwd)
x_tmp=$(mktemp -d)
. "$here/../../scripts/x-session.sh"
trap '[ -n "${weston_pid:-}" ] && kill "$weston_pid" 2>/dev/null
      [ -n "${corvane_pid:-}" ] && kill -9 "$corvane_pid" 2>/dev/null; rm -rf "$x_tmp"' EXIT

command -v weston >/dev/null || "$here/../../scripts/install-deps" >&2
x_session_suppress_leaks "$here/../.."
unset DISPLAY QT_QPA_PLATFORM
# Qt asks its EGL buffer integration whether it may draw window decorations,
# which loads Mesa's driver (libgl1-mesa-dri, a recommended package) into a
# window that draws in memory only; the driver's leaks, from a library
# unloaded again at exit, carry no name a suppression could match. Without
# decorations the window never loads it.
export QT_WAYLAND_DISABLE_WINDOWDECORATION=1
x_session_inbox 'rm -f %File%'

start_weston() {
  weston --backend=headless-backend.so --socket=corvane-test --idle-time=0 \
    >"$x_tmp/weston.log" 2>&1 &
  weston_pid=$!
  eventually '[ -S "$XDG_RUNTIME_DIR/corvane-test" ]' 20
}
if ! start_weston; then
  echo "SKIP: weston cannot start here: $(tail -n 5 "$x_tmp/weston.log")"
  exit 77
fi
export WAYLAND_DISPLAY=corvane-test

log=$x_tmp/corvane.log

start_corvane() {
  "$corvane" /XML "$xml" /Log "$log" >"$x_tmp/out" 2>"$x_tmp/err" &
  corvane_pid=$!
}

# 1. A window on Wayland, found by the platform it loaded; SIGTERM ends it in
# order with the window keys saved.
start_corvane
touch "$x_tmp/in/first.txt"
eventually 'grep -q "found 1 files" "$log"' 30 || fail "the daemon did not check: $(cat "$x_tmp/err")"
grep -q 'libqwayland' "/proc/$corvane_pid/maps" 2>/dev/null || fail "the window is not on Wayland"
[ -s "$x_tmp/out" ] && fail "log lines reached stdout as in console mode: $(head -n 3 "$x_tmp/out")"
kill -TERM "$corvane_pid"
end_corvane "SIGTERM did not end the program"
[ "$status" -eq 0 ] || fail "exit code $status after SIGTERM: $(cat "$x_tmp/err")"
grep -q '^Window.Width=' "$settings" || fail "the window keys were not saved: $(cat "$settings")"
flock -n "$lock_file" true || fail "the instance lock is still held"

# 2. The compositor dying ends the daemon: lock free, log complete, reason on
# stderr.
start_corvane
touch "$x_tmp/in/second.txt"
eventually '[ "$(grep -c "found 1 files" "$log")" -ge 2 ]' 30 || fail "the second run did not check"
kill -9 "$weston_pid"
weston_pid=''
end_corvane "the daemon hangs without its compositor"
flock -n "$lock_file" true || fail "the instance lock is held after the compositor went"
[ "$(tail -c 2 "$log" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the log file ends in a broken line"
grep -qi 'wayland' "$x_tmp/err" || fail "stderr does not say why it ended: $(cat "$x_tmp/err")"

# 3. A Wayland display that is gone (the socket left behind by nobody): console
# mode, said on stderr, instead of a window platform that cannot start.
rm -f "$XDG_RUNTIME_DIR/corvane-test"
start_corvane
eventually 'grep -q "is starting" "$x_tmp/out"' 30 || fail "no console mode: $(cat "$x_tmp/err")"
grep -q 'not there: running in console mode' "$x_tmp/err" || fail "stderr does not say why: $(cat "$x_tmp/err")"
kill -TERM "$corvane_pid"
end_corvane "SIGTERM did not end console mode"
[ "$status" -eq 0 ] || fail "exit code $status in console mode"

[ "$failures" -eq 0 ] && echo "Wayland end-to-end: all checks passed"
exit $((failures > 0))
