#!/usr/bin/env bash
# The fleet update of kv3 against one unit: N simulated units (default 8) on a LAN of network
# namespaces get the same firmware (default 1 MiB), first one unit alone, then all side by
# side. Prints both wall times and their ratio; the aim is at most 1.3. Needs root (namespaces).
# Usage: bench/fleet_bench.sh KV3 KV3SIM [UNITS] [BYTES]
set -euo pipefail
kv3=$(realpath "$1") sim=$(realpath "$2") units=${3:-8} bytes=${4:-1048576}
root=$(cd "$(dirname "$0")/.." && pwd)
lan=kv3lanbench$$
work=$(mktemp -d)
trap '"$root/scripts/netns-lan" down "$lan"; rm -rf "$work"' EXIT

args=()
for i in $(seq "$units"); do
  args+=(--unit "$(printf 'mac=00:1A:2B:3C:5D:%02X,ip=192.0.2.%d' "$i" $((10 + i)))")
done
"$root/scripts/netns-lan" up "$lan" --sim "$sim" --sim-option "--store=$work/store" \
  --sim-option --restart-ms=200 "${args[@]}"
head -c "$bytes" /dev/urandom >"$work/firmware.bin"

run() {  # prints the wall time in ms of one kv3 run
  local start end
  start=$(date +%s%N)
  "$root/scripts/netns-lan" exec "$lan" pc "$kv3" --quiet update firmware "$@" "$work/firmware.bin" \
    >"$work/summary" || { cat "$work/summary" >&2; exit 1; }
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

one=$(run 00:1A:2B:3C:5D:01)
all=$(run --all)
done_units=$(grep -c ' done$' "$work/summary")
same=0
for i in $(seq "$units"); do
  cmp -s "$work/firmware.bin" "$work/store/192.0.2.$((10 + i))/firmware.bin" && same=$((same + 1))
done
printf 'fleet update, %d bytes of firmware: one unit %d ms, %d units %d ms, ratio %.3f (aim <= 1.3)\n' \
  "$bytes" "$one" "$units" "$all" "$(awk -v a="$all" -v o="$one" 'BEGIN { print a / o }')"
echo "units done: $done_units of $units; stored files identical: $same of $units"
