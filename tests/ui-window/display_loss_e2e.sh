#!/usr/bin/env bash
# Usage: display_loss_e2e.sh CORVANE
# The X server goes away under the real corvane (Xvfb, openbox): the
# settings changed since start-up are in the settings file, the log file's
# last line says why the daemon stopped, and the instance lock is free.
# Skips (77) only where Xvfb cannot start.
set -uo pipefail

corvane=$1
here=$(cd "$(dirname "$0")" && pwd)
x_tmp=$(mktemp -d)
. "$here/../../scripts/x-session.sh"
trap 'x_session_end; [ -n "${corvane_pid:-}" ] && kill -9 "$corvane_pid" 2>/dev/null; rm -rf "$x_tmp"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

x_session_install "$here/../.."
export LSAN_OPTIONS=suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}
if ! x_session_start_server; then
  echo "SKIP: Xvfb cannot start here: $(cat "$x_tmp/xvfb.log")"
  exit 77
fi
x_session_start_desktop || echo "note: no tray: $(cat "$x_tmp/trayer.log")"
x_session_inbox 'true %File%'
log=$x_tmp/corvane.log

"$corvane" /XML "$xml" /Log "$log" >"$x_tmp/out" 2>"$x_tmp/err" &
corvane_pid=$!
eventually '[ -n "$(window_named "Inbox (running)")" ]' 30 ||
  fail "no window captioned 'Inbox (running)'; stderr: $(cat "$x_tmp/err")"
win=$(window_named "Inbox (running)")

# A level typed into the input line and a new size reach the file before
# the display goes.
xdotool windowactivate --sync "$win" 2>/dev/null
xdotool type --delay 30 'set loglevel 2' && xdotool key Return
xdotool windowsize --sync "$win" 640 420 2>/dev/null
eventually 'grep -q "^Log.Level=2" "$settings" && grep -q "^Window.Width=9600$" "$settings"' 15 ||
  fail "the changes were not saved: $(cat "$settings")"

kill -9 "$x_server_pid"
eventually '! kill -0 "$corvane_pid" 2>/dev/null' 15 || fail "the daemon hangs without its display"
kill -9 "$corvane_pid" 2>/dev/null
wait "$corvane_pid" 2>/dev/null
corvane_pid=''

last=$(tail -n 1 "$log")
[[ "$last" == *"    Info ] Inbox stopped: the display went away."$'\r' ]] ||
  fail "the log file's last line is '$last'"
[ "$(grep -c ' stopped: ' "$log")" -eq 1 ] || fail "not one closing line: $(cat "$log")"
grep -q '^Log.Level=2$' "$settings" || fail "the level was lost: $(cat "$settings")"
grep -q '^Window.Height=6300$' "$settings" || fail "the size was lost: $(cat "$settings")"
flock -n "$lock_file" true || fail "the instance lock is held after the display went"
grep -q 'ERROR: \(Address\|Leak\|UndefinedBehavior\)Sanitizer' "$x_tmp/err" &&
  fail "the sanitizers object: $(cat "$x_tmp/err")"

[ "$failures" -eq 0 ] && echo "display loss end-to-end: all checks passed"
exit $((failures > 0))
