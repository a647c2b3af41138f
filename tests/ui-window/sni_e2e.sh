#!/usr/bin/env bash
# Usage: sni_e2e.sh CORVANE SNI_WATCHER
# The real corvane under Xvfb with openbox, on a private session bus:
# 1. on trayer (XEmbed, no watcher on the bus) a single click leaves the
#    window hidden;
# 2. with sni_watcher as a StatusNotifier panel that starts after corvane:
#    the item, its exported menu, a balloon as a notification, Activate;
# 3. on xfce4-panel's tray, clicked through xdotool.
# Skips (77) only where Xvfb, dbus-daemon or xfce4-panel is missing.
set -uo pipefail

corvane=$1
watcher=$2
here=$(cd "$(dirname "$0")" && pwd)
x_tmp=$(mktemp -d)
. "$here/../../scripts/x-session.sh"
end_all() {
  [ -n "${corvane_pid:-}" ] && kill -9 "$corvane_pid" 2>/dev/null
  # The panel ends its plugin wrapper, the bus the settings daemon it started.
  for pid in ${watcher_pid:-} ${panel_pid:-} ${bus_pid:-}; do kill "$pid" 2>/dev/null; done
  x_session_end
  rm -rf "$x_tmp"
}
trap end_all EXIT

x_session_install "$here/../.."
command -v xfce4-panel >/dev/null || "$here/../../scripts/install-deps" >&2
for tool in dbus-daemon xfce4-panel; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
x_session_start_for_test "$here/../.."

# xfce4-panel's settings daemon is started by the bus and takes its
# environment: the panel's own configuration (the tray alone, at the top
# left, as wide as its icons) must be in place first.
panel_xml=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml
mkdir -p "$(dirname "$panel_xml")"
cat >"$panel_xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="1"/>
      <property name="length-adjust" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
dbus-daemon --session --fork --print-address=3 --print-pid=4 3>"$x_tmp/bus" 4>"$x_tmp/bus.pid" ||
  { echo "FAIL: no session bus"; exit 1; }
bus_pid=$(cat "$x_tmp/bus.pid")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$x_tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

# $1: "True" for a hidden start.
start_corvane() {
  printf '[General]\nWindow.Hidden=%s\n' "${1:-False}" >"$settings"
  "$corvane" /XML "$xml" >"$x_tmp/out" 2>"$x_tmp/err" &
  corvane_pid=$!
  named() { xdotool search --name '^Inbox \(running\)$' 2>/dev/null | head -n 1; }
  eventually '[ -n "$(named)" ]' 30 || fail "no window 'Inbox (running)'; stderr: $(cat "$x_tmp/err")"
  win=$(named)
  [ -n "${1:-}" ] || eventually viewable 10 || fail "the window was not shown"
}
stop_corvane() {
  kill -TERM "$corvane_pid"
  eventually '! kill -0 "$corvane_pid" 2>/dev/null' 10 || fail "SIGTERM did not end corvane"
  wait "$corvane_pid" || fail "exit code $? after SIGTERM: $(tail -n 5 "$x_tmp/err")"
  corvane_pid=''
}
viewable() { [ "$(map_state "$win")" = IsViewable ]; }
menu_open() { xdotool search --onlyvisible --class corvane 2>/dev/null | grep -qv "^$win\$"; }

# 1. XEmbed: a single click is no activation there. The right click after it
# opens the menu, so the click has been handled by then.
start_corvane
icons_before=$(tray_icons | wc -l)
wmctrl -i -c "$win"
eventually '[ "$(tray_icons | wc -l)" -gt "$icons_before" ]' 10 || fail "no icon docked in trayer"
read -r _ icon_x icon_y < <(tray_icons | tail -n 1)
xdotool mousemove "${icon_x:-0}" "${icon_y:-0}" click 1 sleep 0.3 click 3
eventually menu_open 10 || fail "no menu on a right click on trayer"
viewable && fail "a single click on an XEmbed tray showed the window"
xdotool key Escape
stop_corvane
kill "$x_tray_pid" && wait "$x_tray_pid"
x_tray_pid=''

# 2. A hidden start without any tray minimises the window; a watcher that
# comes later gets the item.
start_corvane True
"$watcher" serve >"$x_tmp/watcher.out" 2>&1 &
watcher_pid=$!
eventually 'grep -q "^item " "$x_tmp/watcher.out"' 15 ||
  fail "no item registered with a later watcher: $(cat "$x_tmp/watcher.out")"
item=$(awk '/^item / { print $2; exit }' "$x_tmp/watcher.out")
menu=$("$watcher" menu "$item" | tr '\n' ';')
[ "$menu" = "Inbox (running)|1;-;Show Inbox|1;Pause Inbox|1;Search new files|1;-;Exit|1;" ] ||
  fail "exported menu: $menu"
rmdir "$x_tmp/in"
eventually 'grep -q "^notify Inbox|.*Directory not found" "$x_tmp/watcher.out"' 10 ||
  fail "no notification of an error while hidden: $(cat "$x_tmp/watcher.out")"
mkdir "$x_tmp/in"
"$watcher" menu "$item" "Pause Inbox" >/dev/null || fail "could not choose 'Pause Inbox'"
eventually '"$watcher" menu "$item" | grep -qx "Resume Inbox|1"' 10 ||
  fail "the menu did not follow the pause: $("$watcher" menu "$item" | tr '\n' ';')"
[ "$(xdotool getwindowname "$win")" = "Inbox (stopped)" ] || fail "the pause left the caption running"
"$watcher" activate "$item"
eventually viewable 10 || fail "Activate did not show the window"
eventually '! "$watcher" menu "$item" >/dev/null 2>&1' 10 || fail "the item stayed after Activate"
stop_corvane
kill "$watcher_pid" && wait "$watcher_pid" 2>/dev/null
watcher_pid=''

# 3. xfce4-panel's tray: the panel grows by the icon; a click on it shows
# the window, a right click opens the exported menu.
xfce4-panel >"$x_tmp/panel.log" 2>&1 &
panel_pid=$!
# The panel's window, as "width x y" of its centre.
panel() {
  xdotool search --onlyvisible --class xfce4-panel 2>/dev/null | while read -r id; do
    xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
      /Width:/ { w = $2 } /Height:/ { h = $2 } END { if (h >= 24) print w, x + int(w / 2), y + int(h / 2) }'
  done | head -n 1
}
panel_width() { read -r width _ < <(panel) && echo "$width" || echo 0; }
eventually '[ -n "$(panel)" ]' 30 || fail "xfce4-panel did not come up: $(cat "$x_tmp/panel.log")"
empty_width=$(panel_width)
start_corvane
wmctrl -i -c "$win"
eventually '[ "$(panel_width)" -gt "$empty_width" ]' 15 || fail "no icon in xfce4-panel"
read -r _ icon_x icon_y < <(panel)
xdotool mousemove "${icon_x:-0}" "${icon_y:-0}" click 1
eventually viewable 10 || fail "a click on the icon in xfce4-panel did not show the window"
eventually '[ "$(panel_width)" -eq "$empty_width" ]' 10 || fail "the icon stayed in xfce4-panel"
wmctrl -i -c "$win"
eventually '[ "$(panel_width)" -gt "$empty_width" ]' 15
# The tray runs in the panel's plugin wrapper, which opens the menu.
panel_windows() { xdotool search --onlyvisible --class wrapper 2>/dev/null | wc -l; }
windows_before=$(panel_windows)
for attempt in 1 2; do
  xdotool mousemove "${icon_x:-0}" "${icon_y:-0}" click 3
  eventually '[ "$(panel_windows)" -gt "$windows_before" ]' 10 || continue
  sleep 0.5
  # Title, Show, Pause: the separators are skipped.
  xdotool key Down Down Down Return
  eventually '[ "$(xdotool getwindowname "$win")" = "Inbox (stopped)" ]' 5 && break
  xdotool key Escape
done
[ "$(xdotool getwindowname "$win")" = "Inbox (stopped)" ] ||
  fail "pause from xfce4-panel's menu left the caption '$(xdotool getwindowname "$win")'"
stop_corvane

[ "$failures" -eq 0 ] && echo "StatusNotifier end-to-end: all checks passed"
exit $((failures > 0))
