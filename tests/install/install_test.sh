#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR PREFIX VERSION EXAMPLES_DIR
# Installs BUILD_DIR into a temporary DESTDIR and checks the installed tree.
# Every check runs; the test fails when any of them failed.
set -uo pipefail

build=$1 prefix=$2 version=$3 examples=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
installed=$root$prefix
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Every file the install puts under the prefix, one per line, sorted.
expected_files() {
  {
    echo bin/corvane
    echo lib/systemd/user/corvane@.service
    echo share/applications/corvane.desktop
    echo share/bash-completion/completions/corvane
    echo share/corvane/english.lng
    echo share/corvane/german.lng
    for example in "$examples"/*.xml; do
      echo "share/doc/corvane/examples/${example##*/}"
    done
    for size in 16x16 32x32 48x48 256x256; do
      echo "share/icons/hicolor/$size/apps/corvane.png"
    done
    echo share/icons/hicolor/scalable/apps/corvane.svg
    echo share/man/man1/corvane.1
  } | LC_ALL=C sort
}

check_file_list() {
  local actual
  actual=$(cd "$installed" && find . -type f -printf '%P\n' | LC_ALL=C sort)
  if [ "$actual" != "$(expected_files)" ]; then
    fail "installed files differ from the expected list:"
    diff <(expected_files) <(echo "$actual")
  fi
  [ -x "$installed/bin/corvane" ] || fail "bin/corvane is not executable"
}

check_version() {
  local out
  out=$("$installed/bin/corvane" --version)
  [ "$out" = "Corvane $version" ] || fail "--version printed '$out', expected 'Corvane $version'"
  grep -q "^\.TH CORVANE 1 .*\"Corvane $version\"" "$installed/share/man/man1/corvane.1" ||
    fail "the man page does not name version $version"
}

# Runs the installed program in console mode on an installed example, in a
# home of its own, its stdin the output of the remaining arguments run as a
# command.
run_installed() {
  local example=$1
  shift
  (
    cd "$tmp/project" || exit 1
    env -u DISPLAY -u WAYLAND_DISPLAY -u CORVANE_UPDATE_URL \
      HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_CACHE_HOME="$tmp/home/.cache" \
      XDG_RUNTIME_DIR="$tmp/run" \
      timeout 60 "$installed/bin/corvane" /Console /XML "$installed/share/doc/corvane/examples/$example" \
      < <("$@")
  )
}

# Feeds "exit" once the example's command has moved the dropped file.
exit_when_moved() {
  for _ in $(seq 300); do
    [ -e build/hot-folder/done/hi.txt ] && break
    sleep 0.1
  done
  echo exit
}

# The installed program finds its language files in share/corvane: German
# chosen in one run is the language of the next, which handles a file.
check_installed_run() {
  mkdir -p "$tmp/project/build/hot-folder/in" "$tmp/project/build/hot-folder/done" "$tmp/home"
  mkdir -m 700 "$tmp/run"
  local out status
  out=$(run_installed hot-folder.xml printf 'set languagefile german.lng\nexit\n' 2>&1)
  status=$?
  [ $status -eq 0 ] || fail "choosing German: exit code $status"
  if grep -q 'Language file not found' <<<"$out"; then
    fail "the installed program did not find german.lng:"
    echo "$out"
  fi

  echo hi >"$tmp/project/build/hot-folder/in/hi.txt"
  out=$(run_installed hot-folder.xml exit_when_moved 2>&1)
  status=$?
  [ $status -eq 0 ] || fail "handling a file: exit code $status"
  [ -e "$tmp/project/build/hot-folder/done/hi.txt" ] || fail "the example did not move the file"
  if ! grep -q "Corvane v\. ${version//./\\.} startet" <<<"$out" ||
    ! grep -q 'Inbox: 1 Dateien in build/hot-folder/in/ gefunden' <<<"$out"; then
    fail "the second run did not speak German:"
    echo "$out"
  fi
}

check_desktop_entry() {
  local entry=$installed/share/applications/corvane.desktop
  local out
  if ! out=$(desktop-file-validate "$entry" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
  fi
  grep -qx 'Icon=corvane' "$entry" || fail "the desktop entry does not use the installed icon"
}

# The unit names the installed executable; verifying it needs that path to
# exist, so the copy that is verified points into DESTDIR.
check_systemd_unit() {
  if ! command -v systemd-analyze >/dev/null; then
    echo "skipped systemd-analyze verify: systemd-analyze is not installed"
    return
  fi
  local unit=$installed/lib/systemd/user/corvane@.service
  local exec_line
  exec_line=$(grep '^ExecStart=' "$unit")
  [ "$exec_line" = "ExecStart=$prefix/bin/corvane /Console /XML %h/.config/corvane/%i.xml" ] ||
    fail "unexpected $exec_line"
  mkdir -p "$tmp/units" "$tmp/verify-run"
  chmod 700 "$tmp/verify-run"
  sed "s|^ExecStart=$prefix/|ExecStart=$installed/|" "$unit" >"$tmp/units/corvane@test.service"
  local out
  if ! out=$(HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/verify-run" \
    systemd-analyze verify --user --man=no "$tmp/units/corvane@test.service" 2>&1) ||
    [ -n "$out" ]; then
    fail "systemd-analyze verify: $out"
  fi
}

# Plain text of the man page, for word searches.
man_text() {
  groff -man -Tascii -P-cbou "$installed/share/man/man1/corvane.1" 2>/dev/null
}

check_man_page() {
  local page=$installed/share/man/man1/corvane.1
  local out
  out=$(groff -ww -man -Tutf8 -z "$page" 2>&1)
  [ -z "$out" ] || fail "groff -ww: $out"
  out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "man -l: $out"
}

# A switch in --help that the man page lacks, or one in the man page's
# OPTIONS that --help lacks, means the two went out of step.
check_switches_agree() {
  local help_switches man_switches text sw
  help_switches=$("$installed/bin/corvane" --help | sed -nE 's/^  ((\/|--)[A-Za-z]+).*/\1/p')
  [ -n "$help_switches" ] || fail "no switches found in --help"
  text=$(man_text)
  for sw in $help_switches; do
    grep -qE "(^|[^[:alnum:]-])$sw([^[:alnum:]]|$)" <<<"$text" || fail "man page lacks $sw"
  done
  # The tag after each .TP of the OPTIONS section, "\-" read as "-".
  man_switches=$(awk '/^\.SH/ { in_options = ($2 == "OPTIONS") }
    in_options && tagged { gsub(/\\-/, "-", $2); print $2 }
    { tagged = ($1 == ".TP") }' "$installed/share/man/man1/corvane.1")
  [ -n "$man_switches" ] || fail "no switches found in the man page's OPTIONS"
  for sw in $man_switches; do
    grep -qx -- "$sw" <<<"$help_switches" || fail "--help lacks $sw, which the man page describes"
  done
}

if ! out=$(DESTDIR=$root cmake --install "$build" 2>&1); then
  echo "FAIL: cmake --install: $out"
  exit 1
fi
check_file_list
check_version
check_installed_run
check_desktop_entry
check_systemd_unit
check_man_page
check_switches_agree
[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all install checks passed"
