#!/usr/bin/env bash
# The search of kv3 with hundreds of units, each with its texts: the units are played by one
# kv3sim on a LAN of network namespaces, each on its own address in 198.18.0.0/16. Prints, per
# count, how many units `kv3 find --json` listed, how many of them with their texts (device
# name and user), how many answers kv3 says were lost, and the wall time as a ratio against
# the protocol's own pauses (1.5 s: "FIND", "PaWd" and "Vers", 500 ms each). Needs root.
# Usage: bench/find_bench.sh KV3 KV3SIM [UNITS...]   (UNITS default: 16 256 1000)
set -euo pipefail
kv3=$(realpath "$1") sim=$(realpath "$2")
shift 2
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(16 256 1000)
most=$(printf '%s\n' "${counts[@]}" | sort -n | tail -n 1)
[ "$most" -le 1000 ] || { echo "at most 1000 units" >&2; exit 2; }

root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mac_of() { printf '00:1A:2B:3D:%02X:%02X' $(($1 / 256)) $(($1 % 256)); }
ip_of() { echo "198.18.$(($1 / 250 + 1)).$(($1 % 250 + 1))"; }

printf '%6s %8s %11s %6s %9s %7s\n' units listed with_texts lost wall_ms ratio
for units in "${counts[@]}"; do
  lan=$("$root/scripts/netns-lan" name bench)
  exec {lock}>"/run/kv3lan/$lan.lock"
  flock -n "$lock"
  args=()
  for i in $(seq "$units"); do
    args+=(--hosted-unit "mac=$(mac_of "$i"),ip=$(ip_of "$i"),mask=255.255.0.0,name=U$i")
  done
  "$root/scripts/netns-lan" up "$lan" --sim "$sim" "${args[@]}"
  start=$(date +%s%N)
  "$root/scripts/netns-lan" exec "$lan" pc "$kv3" find --json >"$work/found" 2>"$work/notes" || true
  end=$(date +%s%N)
  "$root/scripts/netns-lan" down "$lan"
  exec {lock}>&-
  wall=$(((end - start) / 1000000))
  read -r listed texts < <(python3 -c '
import json, sys
units = json.load(open(sys.argv[1]))["units"]
print(len(units), sum(1 for u in units if u["deviceName"] and u["user"]))' "$work/found")
  lost=$(sed -n 's/^\([0-9]*\) answers were lost.*/\1/p' "$work/notes")
  printf '%6d %8d %11d %6s %9d %7.3f\n' "$units" "$listed" "$texts" "${lost:-0}" "$wall" \
    "$(awk -v a="$wall" 'BEGIN { print a / 1500 }')"
done
