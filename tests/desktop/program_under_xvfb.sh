#!/usr/bin/env bash
# The program as a person starts it: korval without a transfer under its own
# Xvfb, its main window found by xdotool, closed by Exit (a real mouse click
# on the button, then Alt+X, its accelerator), exit code 0, no reserved
# temporary file left and SESSION written to its KORVAL.INI. Started with an
# unknown option, it first says so in a message box, then opens the window.
# Usage: program_under_xvfb.sh <korval>
set -euo pipefail
korval=$(realpath "$1")
work=$(mktemp -d)
xvfb=""
program=""
cleanup() {
  [[ -n $program ]] && kill "$program" 2>/dev/null || true
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/own_xvfb.sh"

# A failure says what the screen and the program looked like.
fail() {
  echo "FAIL: $*"
  local id
  if [[ -n $program ]]; then
    echo "korval (pid $program): $(ps -o stat=,etime= -p "$program" 2>/dev/null || echo ended)"
    for id in $(xdotool search --pid "$program" 2>/dev/null || true); do
      echo "  window $id '$(xdotool getwindowname "$id" 2>/dev/null)' $(window_size "$id")"
    done
  fi
  echo "focus: $(xdotool getwindowfocus 2>/dev/null || echo none)"
  cat "$work"/home-*/out.log 2>/dev/null || true
  exit 1
}

# The size of window $1 as "WxH"; empty when it is gone.
window_size() {
  local geometry
  geometry=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null) || return 0
  local WIDTH="" HEIGHT=""
  eval "$geometry"
  echo "${WIDTH}x$HEIGHT"
}

# The first visible window of process $1 whose size is not $2.
visible_window() {
  local id size
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null || true); do
    size=$(window_size "$id")
    [[ -z $size || $size == "$2" ]] && continue
    echo "$id"
    return
  done
}

# The main window of process $1: titled "KORVAL95 LE", of the size LOC gives.
main_window() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null || true); do
    [[ $(xdotool getwindowname "$id" 2>/dev/null) == "KORVAL95 LE" && $(window_size "$id") == 600x460 ]] || continue
    echo "$id"
    return
  done
}

# One run: start, find the window, close it with `how` (click, key, or
# unknown-option: the message box answered with Return, then the key).
run_once() {
  local how=$1 home=$work/home-$1 window="" arguments=()
  [[ $how == unknown-option ]] && arguments=(-x)
  mkdir -p "$home/tmp"
  printf '[_config_]\nAUTOSTART=0\nLOC=40,30,600,460\n' >"$home/KORVAL.INI"
  (cd "$home" && HOME=$home XDG_CONFIG_HOME=$home TMPDIR=$home/tmp XDG_RUNTIME_DIR=$home \
     exec "$korval" "${arguments[@]}") >"$home/out.log" 2>&1 &
  program=$!
  if [[ $how == unknown-option ]]; then
    local box=""
    for _ in $(seq 500); do
      box=$(visible_window "$program" 377x277)  # not the splash
      [[ -n $box ]] && break
      sleep 0.02
    done
    [[ -n $box ]] || fail "$how: no message box within 10 s"
    [[ $(window_size "$box") != 600x460 ]] || fail "$how: the main window came before the message box"
    sleep 0.3
    xdotool windowfocus --sync "$box"
    xdotool key --clearmodifiers Return
  fi
  for _ in $(seq 500); do
    # The main window by its title and size: a plain start shows the splash
    # first, which may be gone again between the search and the question.
    window=$(main_window "$program")
    [[ -n $window ]] && break
    kill -0 "$program" 2>/dev/null || { cat "$home/out.log"; fail "$how: korval ended before its window"; }
    sleep 0.02
  done
  [[ -n $window ]] || fail "$how: no main window within 10 s"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  ls "$home/tmp" | grep -q '^DSP' || fail "$how: no view file reserved"
  sleep 0.3
  if [[ $how == click ]]; then
    # Exit is the last of the seven main buttons along the bottom edge.
    xdotool mousemove --window "$window" $((WIDTH - 30)) $((HEIGHT - 8)) click 1
  else
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers alt+x
  fi
  local code=""
  for _ in $(seq 500); do
    if ! kill -0 "$program" 2>/dev/null; then
      code=0
      wait "$program" || code=$?
      break
    fi
    sleep 0.02
  done
  [[ -n $code ]] || fail "$how: still running 10 s after Exit"
  program=""
  [[ $code == 0 ]] || { cat "$home/out.log"; fail "$how: exit code $code"; }
  [[ -z $(ls "$home/tmp" | grep -E '^(DIR|DSP)' || true) ]] || fail "$how: files left: $(ls "$home/tmp")"
  grep -q '^SESSION=' "$home/KORVAL.INI" || fail "$how: SESSION not written"
  echo "ok: closed by $how, exit code 0"
}

run_once click
run_once key
run_once unknown-option
