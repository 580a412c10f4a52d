#!/usr/bin/env bash
# Window start-up: under one Xvfb, in the same run, each start with a fresh
# HOME: korval (the release build, no transfer, AUTOSTART=0), the minimal Qt
# window of minimal_window.cpp (the floor) and FileZilla when installed.
# Measured: the time from exec to the program's first mapped window, found
# by polling `xdotool search --onlyvisible --pid` every 10 ms, and VmRSS
# 3 s later. The median of RUNS starts (default 10) counts.
#
#   bash bench/window_start/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-10}
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVAL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target korval >/dev/null
work=$(mktemp -d)
xvfb=""
trap '[[ -n $xvfb ]] && kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck disable=SC2046
g++ -std=c++20 -O2 -fPIC bench/window_start/minimal_window.cpp $(pkg-config --cflags --libs Qt6Widgets) \
  -o "$work/minimal_window"

# -noreset: a server that resets when its last client leaves refuses the
# next program for a moment.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 10 number <"$work/display"
export DISPLAY=:$number
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# One start of `program`: prints "<microseconds to the first window> <VmRSS KiB>".
# With NAME set, the first window of that title counts (korval's main window,
# which its splash precedes).
measure() {
  local home
  home=$(mktemp -d "$work/home.XXXXXX")
  mkdir -p "$home/.config/korval"
  printf '[_config_]\nAUTOSTART=0\n' >"$home/.config/korval/KORVAL.INI"
  local start end pid window=""
  start=$(date +%s%N)
  (cd "$home" && HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home TMPDIR=$home exec "$@") \
    >/dev/null 2>&1 &
  pid=$!
  while [[ -z $window ]]; do
    if [[ -n ${NAME:-} ]]; then
      window=$(xdotool search --onlyvisible --pid "$pid" --name "$NAME" 2>/dev/null | head -n 1 || true)
    else
      window=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1 || true)
    fi
    [[ -n $window ]] && break
    kill -0 "$pid" 2>/dev/null || { echo "fail 0"; return; }
    sleep 0.01
  done
  end=$(date +%s%N)
  sleep 3
  local rss
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  kill "$pid" 2>/dev/null || true
  local status=0
  wait "$pid" 2>/dev/null || status=$?
  # 143 is the SIGTERM above; anything else is the program's own end.
  [[ $status == 143 || $status == 0 ]] || echo "note: $1 ended with status $status" >&2
  echo "$(( (end - start) / 1000 )) $rss"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

declare -A seconds memory
programs=(korval korval-main minimal)
command -v filezilla >/dev/null && programs+=(filezilla)
for name in "${programs[@]}"; do
  title=""
  case $name in
    korval) command=("$PWD/$build/app/korval") ;;
    korval-main) command=("$PWD/$build/app/korval"); title='^KORVAL95 LE$' ;;
    minimal) command=("$work/minimal_window") ;;
    filezilla) command=(filezilla) ;;
  esac
  : >"$work/$name.txt"
  for _ in $(seq "$runs"); do NAME=$title measure "${command[@]}" >>"$work/$name.txt"; done
  seconds[$name]=$(awk '{print $1}' "$work/$name.txt" | median)
  memory[$name]=$(awk '{print $2}' "$work/$name.txt" | median)
done

printf '%-12s %14s %12s %10s %10s\n' program "first window s" "VmRSS MiB" "time x" "memory x"
for name in "${programs[@]}"; do
  awk -v n="$name" -v us="${seconds[$name]}" -v kb="${memory[$name]}" \
      -v fus="${seconds[minimal]}" -v fkb="${memory[minimal]}" \
      'BEGIN {printf "%-12s %14.3f %12.1f %10.2f %10.2f\n", n, us / 1e6, kb / 1024, us / fus, kb / fkb}'
done
echo "(x: against the minimal Qt window; median of $runs starts, each with a fresh HOME;"
echo " korval: its first window, the splash; korval-main: its main window)"
