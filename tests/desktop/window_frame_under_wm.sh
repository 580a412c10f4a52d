#!/usr/bin/env bash
# The remembered place under a window manager that frames its windows: LOC
# holds the outer rectangle, frame included, so the framed window must
# cover exactly the rectangle LOC names (not the frame's size more, which
# would grow the window on every save and restore).
# Usage: window_frame_under_wm.sh <korval>
set -euo pipefail
korval=$(realpath "$1")
work=$(mktemp -d)
xvfb=""
wm=""
program=""
cleanup() {
  [[ -n $program ]] && kill "$program" 2>/dev/null || true
  [[ -n $wm ]] && kill "$wm" 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/own_xvfb.sh"

# twm with the server's built-in font, placing windows where they ask.
cat >"$work/twmrc" <<'TWMRC'
UsePPosition "on"
RandomPlacement
NoGrabServer
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
TWMRC
twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
wm=$!

fail() {
  echo "FAIL: $*"
  cat "$work"/home/out.log 2>/dev/null || true
  exit 1
}

# "x y width height" of the window manager's frame around window $1 (the
# ancestor just below the root, its border included); empty while the
# window has no frame yet.
outer_rectangle() {
  local id=$1 parent root
  root=$(xwininfo -root | awk '/Window id/ {print $4}')
  parent=$(xwininfo -id "$id" -tree | awk '/Parent window id/ {print $4}')
  [[ $parent == "$root" ]] && return 0
  while :; do
    id=$parent
    parent=$(xwininfo -id "$id" -tree | awk '/Parent window id/ {print $4}')
    [[ $parent == "$root" ]] && break
  done
  xwininfo -id "$id" | awk '
    /Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} /Border width/ {b=$3}
    END {print x, y, w + 2*b, h + 2*b}'
}

for loc in 100,80,640,480 300,200,500,420; do
  home=$work/home
  rm -rf "$home"; mkdir -p "$home/tmp"; chmod 700 "$home"
  printf '[_config_]\nAUTOSTART=0\nLOC=%s\n' "$loc" >"$home/KORVAL.INI"
  (cd "$home" && HOME=$home XDG_CONFIG_HOME=$home TMPDIR=$home/tmp XDG_RUNTIME_DIR=$home exec "$korval") \
    >"$home/out.log" 2>&1 &
  program=$!
  IFS=, read -r x y w h <<<"$loc"
  want="$x $y $w $h"
  got=""
  window=""
  for _ in $(seq 250); do
    for id in $(xdotool search --onlyvisible --pid "$program" 2>/dev/null || true); do
      [[ $(xdotool getwindowname "$id" 2>/dev/null) == "KORVAL95 LE" ]] && window=$id
    done
    if [[ -n $window ]]; then
      got=$(outer_rectangle "$window" 2>/dev/null || true)
      [[ $got == "$want" ]] && break
    fi
    sleep 0.04
  done
  [[ -n $window ]] || fail "LOC=$loc: no main window within 10 s"
  [[ -n $got ]] || fail "LOC=$loc: the window manager never framed the window"
  [[ $got == "$want" ]] || fail "LOC=$loc: the framed window covers '$got', not '$want'"
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers alt+x
  code=""
  for _ in $(seq 250); do
    if ! kill -0 "$program" 2>/dev/null; then
      code=0
      wait "$program" || code=$?
      break
    fi
    sleep 0.04
  done
  program=""
  [[ $code == 0 ]] || fail "LOC=$loc: exit code '$code' after Alt+X"
  echo "ok: LOC=$loc framed at $got"
done
