#!/usr/bin/env bash
# Usage: window_e2e.sh CORVANE
# Runs the real corvane with its window under Xvfb, with openbox as window
# manager and trayer as the notification area, and drives it like a user
# with xdotool and wmctrl. Skips (77) only where Xvfb cannot start.
set -uo pipefail

corvane=$1
here=$(cd "$(dirname "$0")" && pwd)
x_tmp=$(mktemp -d)
. "$here/../../scripts/x-session.sh"
trap 'x_session_end; [ -n "${corvane_pid:-}" ] && kill -9 "$corvane_pid" 2>/dev/null; rm -rf "$x_tmp"' EXIT

x_session_install "$here/../.."
x_session_start_for_test "$here/../.."

start_corvane() {
  "$corvane" /XML "$xml" /Log "$x_tmp/corvane.log" "$@" >"$x_tmp/out" 2>"$x_tmp/err" &
  corvane_pid=$!
}

# Rows of the window's log view that hold dark (text) pixels: a measure of
# how many lines the view shows.
text_rows() {
  import -window "$1" "$x_tmp/shot.png" 2>/dev/null || { echo 0; return; }
  convert "$x_tmp/shot.png" -crop "+0+0" -colorspace Gray -threshold 40% txt:- 2>/dev/null |
    awk -F'[,:]' '/black|#000000/ { rows[$2] = 1 } END { print length(rows) }'
}

# corvane's mapped top-level windows: the window, the icon, a balloon, a menu.
corvane_windows() { xdotool search --onlyvisible --class corvane 2>/dev/null; }

# The area of the balloon (a tool-tip window) on show, or nothing.
balloon_area() {
  local w
  for w in $(corvane_windows); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_TOOLTIP,' &&
      xwininfo -id "$w" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w * h }'
  done | head -n 1
}

# corvane's mapped windows other than tool tips. A tip (the icon's, or a
# balloon) may come or go while a menu opens, so counting them would not
# tell whether the menu did.
windows_but_tips() {
  local w
  for w in $(corvane_windows); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_TOOLTIP' || echo "$w"
  done
}

# Opens the menu of the tray's last icon with a right click and goes $1
# items down (the title first; separators are skipped) to choose one, until
# $2 holds; leaves the icon's place in icon_x, icon_y. A busy machine may map
# the menu before it takes the keys, or the tray may still be moving the
# icon when it is clicked: one more try then, at the icon's place read anew.
choose_from_menu() {
  local attempt before opened=0
  for attempt in 1 2; do
    read -r _ icon_x icon_y < <(tray_icons | tail -n 1)
    before=$(windows_but_tips | wc -l)
    xdotool mousemove "$icon_x" "$icon_y" click 3
    eventually "[ \$(windows_but_tips | wc -l) -gt $before ]" 10 || continue
    opened=1
    sleep 0.5
    xdotool key $(printf 'Down %.0s' $(seq "$1")) Return
    eventually "$2" 5 && return 0
    xdotool key Escape
  done
  [ "$opened" -eq 1 ] || fail "no menu opened on a right click"
  return 1
}

# 1. A first start, without a settings file, hides in the tray: no window,
# the icon docked, the "is loaded" balloon. "Exit" from the icon's menu ends
# it in order: exit code 0, the lock free, the settings written.
rm -rf "$XDG_CONFIG_HOME"
icons_empty=$(tray_icons | wc -l)
start_corvane
if eventually '[ "$(tray_icons | wc -l)" -gt "$icons_empty" ]' 30; then
  eventually '[ -n "$(balloon_area)" ]' 10 || fail "a hidden start showed no balloon"
  running_balloon=$(balloon_area)
  [ -z "$(window_named "Inbox (running)")" ] || fail "a hidden start mapped the window"
  eventually '[ -z "$(balloon_area)" ]' 10 || fail "the balloon stayed"
  choose_from_menu 5 '! kill -0 "$corvane_pid" 2>/dev/null'
else
  fail "a hidden start docked no icon"
fi
end_corvane "choosing Exit did not end the program"
[ "$status" -eq 0 ] || fail "exit code $status after Exit: $(cat "$x_tmp/err")"
flock -n "$lock_file" true || fail "the instance lock is held after Exit"
grep -q '^Window.Hidden=True' "$settings" || fail "Exit saved no settings"

# 2. With /pause the balloon says so too, and the log that the daemon waits.
rm -rf "$XDG_CONFIG_HOME"
start_corvane /pause
eventually '[ -n "$(balloon_area)" ]' 30 || fail "a paused hidden start showed no balloon"
[ "$(balloon_area)" -gt "${running_balloon:-0}" ] ||
  fail "the paused balloon is no bigger than the running one ($(balloon_area), $running_balloon)"
grep -q "The Daemon is paused. Type 'go' to start it." "$x_tmp/corvane.log" || fail "no paused line in the log"
kill -TERM "$corvane_pid"
end_corvane "SIGTERM did not end the paused start"

# 3. `make run` on a desktop shows the example's window, with settings of its
# own: the user's, which say hidden now, stay as they are.
user_settings=$(cat "$settings")
"$here/../../scripts/run-example" "$(dirname "$corvane")/.." >"$x_tmp/run.out" 2>"$x_tmp/err" &
corvane_pid=$!
eventually '[ -n "$(window_named "Example hot folder (running)")" ]' 30 ||
  fail "make run showed no window: $(cat "$x_tmp/run.out" "$x_tmp/err")"
grep -q 'into the line at its bottom' "$x_tmp/run.out" || fail "make run does not point to the window"
kill -TERM "$corvane_pid"
end_corvane "SIGTERM did not end make run"
[ "$(cat "$settings")" = "$user_settings" ] || fail "make run changed the user's settings"
mkdir -p "${settings%/*}" && printf '[General]\nWindow.Hidden=False\n' >"$settings"

# 4. Started shown: the window is mapped with its caption.
start_corvane
eventually '[ -n "$(window_named "Inbox (running)")" ]' 30 ||
  fail "no window captioned 'Inbox (running)'; stderr: $(cat "$x_tmp/err")"
win=$(window_named "Inbox (running)")

if [ -n "$win" ]; then
  # 5. "stat" typed into the input line (it has the focus) shows the report.
  sleep 0.5
  before=$(text_rows "$win")
  xdotool windowactivate --sync "$win" 2>/dev/null
  xdotool type --delay 30 stat && xdotool key Return
  eventually '[ "$(text_rows "$win")" -ge $((before + 40)) ]' 15 ||
    fail "the log view did not grow after 'stat' ($before rows, then $(text_rows "$win"))"
  grep -q 'stat' "$x_tmp/corvane.log" && fail "the raw report reached the log file"

  # 6. The close box hides the window into the tray.
  icons_before=$(tray_icons | wc -l)
  wmctrl -i -c "$win"
  eventually '[ "$(map_state "$win")" = IsUnMapped ]' 10 || fail "the close box left the window mapped"
  eventually '[ "$(tray_icons | wc -l)" -gt "$icons_before" ]' 10 || fail "no icon docked in the tray"
  kill -0 "$corvane_pid" 2>/dev/null || fail "the close box ended the program"

  # 7. A double click on the icon maps the window again.
  read -r _ icon_x icon_y < <(tray_icons | tail -n 1)
  if [ -n "${icon_x:-}" ]; then
    xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 60 1
    eventually '[ "$(map_state "$win")" = IsViewable ]' 10 || fail "a double click did not bring the window back"
    eventually '[ "$(tray_icons | wc -l)" -eq "$icons_before" ]' 10 || fail "the icon stayed in the tray"

    # 8. Hidden again, the right-click menu opens; its third item pauses.
    wmctrl -i -c "$win"
    eventually '[ "$(tray_icons | wc -l)" -gt "$icons_before" ]' 10
    choose_from_menu 3 '[ "$(xdotool getwindowname "$win")" = "Inbox (stopped)" ]' ||
      fail "choosing pause left the caption '$(xdotool getwindowname "$win")'"
    xdotool mousemove "$icon_x" "$icon_y" click --repeat 2 --delay 60 1
    eventually '[ "$(map_state "$win")" = IsViewable ]' 10
  else
    fail "no tray icon to click"
  fi

  # 9. SIGTERM: an orderly stop with the geometry saved.
  xdotool windowsize --sync "$win" 600 400 2>/dev/null
  sleep 0.5
  kill -TERM "$corvane_pid"
  end_corvane "SIGTERM did not end the program"
  [ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
  grep -q '^Window.Width=9000$' "$settings" || fail "width not saved: $(grep Window "$settings")"
  grep -q '^Window.Height=6000$' "$settings" || fail "height not saved: $(grep Window "$settings")"
  grep -q '^Window.X=' "$settings" || fail "place not saved"
  flock -n "$lock_file" true || fail "the instance lock is still held"
fi

# 10. The display going away ends the daemon: lock free, log complete, reason
# on stderr.
start_corvane
eventually '[ -n "$(window_named "Inbox (running)")" ]' 30 || fail "no window for the second run"
touch "$x_tmp/in/file.txt"
eventually 'grep -q "found 1 files" "$x_tmp/corvane.log"' 15 || fail "the check did not log"
kill -9 "$x_server_pid"
end_corvane "the daemon hangs without its display"
flock -n "$lock_file" true || fail "the instance lock is held after the display went"
[ "$(tail -c 2 "$x_tmp/corvane.log" | od -An -c | tr -d ' ')" = '\r\n' ] ||
  fail "the log file ends in a broken line"
grep -qi 'X11\|display' "$x_tmp/err" || fail "stderr does not say why it ended: $(cat "$x_tmp/err")"

[ "$failures" -eq 0 ] && echo "window end-to-end: all checks passed"
exit $((failures > 0))
