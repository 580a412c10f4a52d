#!/usr/bin/env bash
# Every benchmark: the transfers beside curl and lftp (bench/transfers/run.sh:
# 1 GiB RETR and STOR, a 2,000-file tree, peak memory), the same 1 GiB over
# explicit FTPS beside curl --ssl-reqd (bench/ftps/run.sh), then the listing
# parse rates at 10,000, 100,000 and 1,000,000 lines (bench/listing_scale/run.sh),
# then the window's start-up beside a minimal Qt window and FileZilla
# (bench/window_start/run.sh).
# Both build the release program into build/release first. Run as root.
#
#   bash bench/run.sh [RUNS]        (transfer runs per client, default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== transfers =="
bash bench/transfers/run.sh "${1:-5}"
echo
echo "== transfers over TLS =="
bash bench/ftps/run.sh "${1:-5}"
echo
echo "== listings =="
bash bench/listing_scale/run.sh
echo
echo "== window start-up =="
bash bench/window_start/run.sh
