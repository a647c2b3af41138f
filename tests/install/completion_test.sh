#!/bin/bash
# Completes names that hold blanks, pattern characters and quotes: each is
# offered whole and as it is, also when the word typed so far is quoted.
# $1: the bash completion file.
set -u
source "$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
for name in 'my inbox.xml' 'a*b.xml' 'ab.xml' "it's.xml" '"q".xml'; do : >"$name"; done
mkdir 'sub dir'

failed=0
# $1: the switch, $2: the word typed so far, then the names expected.
expect() {
  COMP_WORDS=(corvane "$1" "$2") COMP_CWORD=2
  _corvane
  local got want
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
  want=$(printf '%s\n' "${@:3}" | sort)
  if [[ $got != "$want" ]]; then
    printf 'corvane %s %s: got\n%s\nwanted\n%s\n' "$1" "$2" "$got" "$want"
    failed=1
  fi
}
expect /XML '' 'my inbox.xml' 'a*b.xml' 'ab.xml' "it's.xml" '"q".xml' 'sub dir'
expect /XML 'a' 'a*b.xml' 'ab.xml'
expect /XML 'my\ i' 'my inbox.xml'
expect /XML "'my i" 'my inbox.xml'
expect /XML "it\\'" "it's.xml"
expect --log '"\"q' '"q".xml'
expect --journal 'a' 'a*b.xml' 'ab.xml'
expect --outcome '' exit signal terminated running 'left running' 'not started'
expect --outcome 'n' 'not started'
exit $failed
