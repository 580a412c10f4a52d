#!/usr/bin/env bash
# Listing parse rates. Builds the release core and korval-listing, generates
# listings of 10,000, 100,000 and 1,000,000 lines in the UNIX, NT, VMS and MVS
# layouts (in /dev/shm when there is room) and measures two things on each:
#   core: ParseListing into the remote pane and the pane order, no output
#         (bench/listing_scale/pane_fill.cpp): wall and processor seconds, peak memory;
#   tool: korval-listing end to end, printing every entry to /dev/null, with
#         its peak memory from /usr/bin/time -v.
# The best of three runs counts. Prints one table.
#
#   bash bench/listing_scale/run.sh [--sort N] [LINES...]
set -euo pipefail
cd "$(dirname "$0")/../.."
sort=1
if [ "${1:-}" = "--sort" ]; then sort=$2; shift 2; fi
build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVAL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target korval-listing korval_core >/dev/null
work=$(mktemp -d /dev/shm/korval-listing-bench.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -I. bench/listing_scale/pane_fill.cpp "$build/libkorval_core.a" -lpthread -o "$work/pane_fill"
tool=$build/tools/korval-listing
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000)
types=(unix:6010 nt:6016 vms:6011 mvs:6018)
declare -A firstNsPerLine  # per layout: the core's ns/line at the first size, for the growth column

best() {  # the smallest of the numbers on standard input
  sort -g | head -1
}

echo "sort setting $sort; core = parse + pane order, tool = korval-listing printing to /dev/null"
echo "growth = the core's processor ns/line against its ns/line at ${sizes[0]} lines (1.00: cost grows linearly)"
printf '%-6s %8s %6s | %9s %9s %8s %9s %9s | %9s %8s %9s %7s\n' \
  layout lines MB "core wall" "core cpu" "ns/line" "peak MiB" "entry MiB" "tool wall" "ns/line" "peak MiB" growth
for size in "${sizes[@]}"; do
  for pair in "${types[@]}"; do
    layout=${pair%%:*}
    type=${pair##*:}
    listing=$work/$layout-$size.txt
    python3 bench/listing_scale/generate_listing.py "$layout" "$size" >"$listing"
    megabytes=$(awk -v b="$(stat -c %s "$listing")" 'BEGIN { printf "%.1f", b / 1048576 }')
    : >"$work/core.txt"
    : >"$work/tool.txt"
    for run in 1 2 3; do
      "$work/pane_fill" "$listing" "$type" "$sort" >>"$work/core.txt"
      /usr/bin/time -v -o "$work/time.txt" "$tool" --type "$type" --sort "$sort" --today 1996-06-15 "$listing" >/dev/null
      awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; w = s }
                  /Maximum resident set size/ { k = $2 } END { print w, k }' "$work/time.txt" >>"$work/tool.txt"
    done
    coreWall=$(awk '{ print $1 }' "$work/core.txt" | best)
    coreCpu=$(awk '{ print $2 }' "$work/core.txt" | best)
    corePeak=$(awk '{ print $4 }' "$work/core.txt" | best)
    entryOwn=$(awk '{ print $5 }' "$work/core.txt" | best)
    toolWall=$(awk '{ print $1 }' "$work/tool.txt" | best)
    toolPeak=$(awk '{ print $2 / 1024 }' "$work/tool.txt" | best)
    coreNs=$(awk -v cc="$coreCpu" -v n="$size" 'BEGIN { printf "%.1f", cc * 1e9 / n }')
    [ -n "${firstNsPerLine[$layout]:-}" ] || firstNsPerLine[$layout]=$coreNs
    awk -v l="$layout" -v n="$size" -v mb="$megabytes" -v cw="$coreWall" -v cc="$coreCpu" -v cp="$corePeak" -v eo="$entryOwn" \
        -v tw="$toolWall" -v tp="$toolPeak" -v first="${firstNsPerLine[$layout]}" \
      'BEGIN { ns = cc * 1e9 / n;
               printf "%-6s %8d %6s | %9.3f %9.3f %8.0f %9.1f %9.1f | %9.3f %8.0f %9.1f %7.2f\n",
               l, n, mb, cw, cc, ns, cp, eo, tw, tw * 1e9 / n, tp, (first > 0 ? ns / first : 0) }'
  done
done
