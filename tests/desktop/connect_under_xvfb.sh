#!/bin/bash
# Connect and Close as a person does it: korval with AUTOSTART under its own
# Xvfb opens the Session Profile dialog by itself over the demo server's
# profile (the demo server on free ports, a copy of the demo's KORVAL.INI
# pointing at it); Return presses Ok, the caption names the host once the
# logon is through, Alt+C (the button now reads "&Close") closes, and Alt+X
# ends the program with exit code 0.
# Usage: connect_under_xvfb.sh <korval> <source dir>
set -euo pipefail
korval=$(realpath "$1")
source_dir=$(realpath "$2")
work=$(mktemp -d)
xvfb=""
program=""
server=""
cleanup() {
  [[ -n $program ]] && kill "$program" 2>/dev/null || true
  [[ -n $server ]] && kill "$server" 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/own_xvfb.sh"

fail() {
  echo "FAIL: $*"
  local id
  if [[ -n $program ]]; then
    for id in $(xdotool search --pid "$program" 2>/dev/null || true); do
      echo "  window $id '$(xdotool getwindowname "$id" 2>/dev/null)'"
    done
  fi
  echo "--- korval:"; cat "$work/home/out.log" 2>/dev/null || true
  echo "--- demo server:"; cat "$work/server.log" 2>/dev/null || true
  exit 1
}

# The visible window of the program titled $1, waited for up to 10 s.
window_titled() {
  local id
  for _ in $(seq 500); do
    for id in $(xdotool search --onlyvisible --pid "$program" 2>/dev/null || true); do
      [[ $(xdotool getwindowname "$id" 2>/dev/null) == "$1" ]] && { echo "$id"; return 0; }
    done
    kill -0 "$program" 2>/dev/null || return 1
    sleep 0.02
  done
  return 1
}

/usr/bin/python3 "$source_dir/demo/demo_server.py" 0 any >"$work/server.log" 2>&1 &
server=$!
port=""
for _ in $(seq 500); do
  port=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.log")
  [[ -n $port ]] && break
  sleep 0.02
done
[[ -n $port ]] || fail "the demo server did not start"

home=$work/home
mkdir -p "$home/tmp"
sed -e "s/^PORT=2121\$/PORT=$port/" -e 's/^\[_config_\]$/[_config_]\nAUTOSTART=1\nLOC=40,30,600,460/' \
  "$source_dir/demo/KORVAL.INI" >"$home/KORVAL.INI"
(cd "$home" && HOME=$home XDG_CONFIG_HOME=$home TMPDIR=$home/tmp XDG_RUNTIME_DIR=$home \
   exec "$korval" -i "$home/KORVAL.INI") >"$home/out.log" 2>&1 &
program=$!

dialog=$(window_titled "Session Profile") || fail "no Session Profile dialog within 10 s"
sleep 0.3
xdotool windowfocus --sync "$dialog"
xdotool key --clearmodifiers Return
window=$(window_titled "KORVAL95 LE 127.0.0.1") || fail "not connected within 10 s"
echo "ok: the profile dialog's Ok logged on"
sleep 0.3
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+c
window=$(window_titled "KORVAL95 LE") || fail "the caption did not go back after Close"
echo "ok: Alt+C closed the connection"
sleep 0.3
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+x
code=""
for _ in $(seq 500); do
  if ! kill -0 "$program" 2>/dev/null; then
    code=0
    wait "$program" || code=$?
    break
  fi
  sleep 0.02
done
[[ -n $code ]] || fail "still running 10 s after Exit"
program=""
[[ $code == 0 ]] || fail "exit code $code"
echo "ok: exit code 0"
