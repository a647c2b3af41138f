# Sourced by the window's end-to-end tests and scripts/take-screenshots: an X server of our
# own (Xvfb) with a window manager (openbox) and a tray (trayer), and small
# helpers to look at windows. Every process started here is ended by
# x_session_end.

x_session_tools=(Xvfb xdotool trayer openbox wmctrl xwininfo import convert flock)

# The end-to-end scripts count their failures with fail and end with
# "[ "$failures" -eq 0 ]"; leaks are reported past the suppressions that
# name libraries of the desktop, not Corvane's.
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
x_session_suppress_leaks() {
  export LSAN_OPTIONS=suppressions=$1/tests/ui-window/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}
}

# A test's X session: Xvfb, openbox, trayer and the observation file of
# x_session_inbox for the command "true". Exits 77 (skipped) where Xvfb
# cannot start; a tray that does not come up is a failure. $1: the
# project's folder.
x_session_start_for_test() {
  x_session_suppress_leaks "$1"
  if ! x_session_start_server; then
    echo "SKIP: Xvfb cannot start here: $(cat "$x_tmp/xvfb.log")"
    exit 77
  fi
  x_session_start_desktop ||
    fail "openbox or trayer did not come up: $(cat "$x_tmp/openbox.log" "$x_tmp/trayer.log")"
  x_session_inbox 'true %File%'
}

# Waits for the daemon started as $corvane_pid to end, else fails with $1
# and kills it; sets status to its exit code.
end_corvane() {
  eventually '! kill -0 "$corvane_pid" 2>/dev/null' 10 || fail "$1"
  kill -9 "$corvane_pid" 2>/dev/null
  wait "$corvane_pid"
  status=$?
  corvane_pid=''
}

# Installs what is missing through the project's install script.
x_session_install() {
  local tool
  for tool in "${x_session_tools[@]}"; do
    command -v "$tool" >/dev/null || { "$1/scripts/install-deps" >&2; return; }
  done
}

# Starts Xvfb on a free display, of x_screen (default 1024x700x24), and
# exports DISPLAY; returns 1 when Xvfb cannot start.
x_session_start_server() {
  local fifo=$x_tmp/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${x_screen:-1024x700x24}" -nolisten tcp 3>"$fifo" 2>"$x_tmp/xvfb.log" &
  x_server_pid=$!
  local number
  if ! read -r -t 20 number <"$fifo" || [ -z "$number" ]; then
    kill "$x_server_pid" 2>/dev/null
    return 1
  fi
  export DISPLAY=:$number
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# Starts the client "$@" with its output in log file $2 until the command
# $1 tells that it is up, for up to 20 s; sets x_client_pid. A busy machine
# may answer the display number before clients get in, so a client that
# ended meanwhile is started again.
x_session_start_client() {
  local check=$1 log=$2 i
  shift 2
  for i in $(seq 200); do
    if [ "$i" = 1 ] || ! kill -0 "$x_client_pid" 2>/dev/null; then
      "$@" >>"$log" 2>&1 &
      x_client_pid=$!
    fi
    eval "$check" && return 0
    sleep 0.1
  done
  return 1
}

# openbox, then trayer at the top right; 1 when either does not come up.
x_session_start_desktop() {
  eventually "xdotool getdisplaygeometry >/dev/null 2>&1" 20 || return 1
  # A window mapped before the window manager is up is not managed by it,
  # and its close box (wmctrl -c) would do nothing.
  x_session_start_client "wmctrl -m >/dev/null 2>&1" "$x_tmp/openbox.log" openbox
  local wm_up=$?
  x_wm_pid=$x_client_pid
  [ "$wm_up" = 0 ] || return 1
  # The tray is there once it owns the tray selection's window.
  x_session_start_client "xdotool search --class trayer >/dev/null 2>&1" "$x_tmp/trayer.log" \
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --expand false --transparent false
  local tray_up=$?
  x_tray_pid=$x_client_pid
  return "$tray_up"
}

x_session_end() {
  local pid
  for pid in ${x_tray_pid:-} ${x_wm_pid:-} ${x_server_pid:-}; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  x_tray_pid='' x_wm_pid='' x_server_pid=''
}

# Private user directories under $x_tmp and one observation file, $xml: the
# point "Inbox" checks $x_tmp/in/ every second and runs $1 for each file.
# The window starts shown. Sets settings, xml and lock_file.
x_session_inbox() {
  export XDG_CONFIG_HOME=$x_tmp/config XDG_RUNTIME_DIR=$x_tmp/run XDG_CACHE_HOME=$x_tmp/cache XDG_STATE_HOME=$x_tmp/state
  mkdir -p "$XDG_CONFIG_HOME/Talvex" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME" "$x_tmp/in"
  chmod 700 "$XDG_RUNTIME_DIR"
  settings=$XDG_CONFIG_HOME/Talvex/Corvane.ini
  printf '[General]\nWindow.Hidden=False\n' >"$settings"
  xml=$x_tmp/inbox.xml
  cat >"$xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Corvane>
  <Name>Inbox</Name>
  <Observation>
    <Point>
      <Name>Inbox</Name>
      <Directory>$x_tmp/in/</Directory>
      <FilePattern>*.*</FilePattern>
      <Intervall>1</Intervall>
      <Command>$1</Command>
    </Point>
  </Observation>
</Corvane>
XML
  local key
  key=$(realpath "$xml")
  lock_file=$XDG_RUNTIME_DIR/CorvaneApp_$(printf '%s' "$key" | tr -d /)_$(printf '%s' "$key" |
    sha256sum | cut -c1-16)
}

# Waits up to $2 seconds (default 20) for the command $1 to succeed.
eventually() {
  local tries=$(( ${2:-20} * 10 )) i
  for ((i = 0; i < tries; i++)); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

# Without an id xwininfo would wait for a click on a window: none then.
map_state() {
  [ -n "$1" ] || return 0
  xwininfo -id "$1" 2>/dev/null | awk '/Map State:/ { print $3 }'
}

# The visible top-level window whose name is exactly $1.
window_named() {
  xdotool search --onlyvisible --name "^$(printf '%s' "$1" | sed 's/[][().*^$]/\\&/g')\$" 2>/dev/null |
    head -n 1
}

# The windows docked in the tray: the trayer's mapped descendants of icon
# size, as "id x y" (absolute centre).
tray_icons() {
  local tray
  for tray in $(xdotool search --class trayer 2>/dev/null); do
    xwininfo -tree -id "$tray" 2>/dev/null |
      awk '/^ +0x[0-9a-f]+ / {
        for (i = 2; i < NF; i++) if ($i ~ /^[0-9]+x[0-9]+[-+]/) {
          split($i, size, /[x+-]/); split($(i + 1), abs, /[+]/)
          if (size[1] >= 8 && size[1] <= 64 && size[2] >= 8 && size[2] <= 64)
            print $1, abs[2] + int(size[1] / 2), abs[3] + int(size[2] / 2)
        }
      }'
  done
}
