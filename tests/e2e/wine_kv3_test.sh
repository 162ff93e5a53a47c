#!/usr/bin/env bash
# kv3.exe under Wine against the Linux simulator: find, set and a firmware update from a folder
# whose name holds umlauts, each checked by what the simulated unit shows or stored. Runs inside
# a private network namespace (scripts/isolated), with a Wine prefix of its own.
set -euo pipefail
kv3exe="$1"
kv3sim="$2"
lan="${3:-}"  # scripts/netns-lan, for the search on two adapters
wine=/usr/lib/wine/wine64
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=""
lan_name=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  [ -n "$lan_name" ] && "$lan" down "$lan_name" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "wine_kv3: $*" >&2; exit 1; }

folder="$scratch/Jürgen/Firmware"
mkdir -p "$folder" "$scratch/store"
head -c 7000 /dev/urandom >"$folder/kv3 V2.14.bin"
"$kv3sim" --store="$scratch/store" --restart-ms=200 \
  --unit mac=00:1A:2B:3C:4D:01,ip=127.0.0.11,name=Keller >"$scratch/sim.log" 2>&1 &
sim=$!
# Wine makes its prefix on the first start and says so; that is shown only when the start fails.
if ! "$wine" "$kv3exe" --version 2>"$scratch/start.log" | grep -q '^kv3 '; then
  cat "$scratch/start.log" >&2
  fail "kv3.exe --version"
fi

kv3() { timeout 120 "$wine" "$kv3exe" "$@"; }
found="$(kv3 find --address 127.0.0.11 --json)" || fail "find"
echo "$found" | grep -q '"deviceName": "Keller"' || fail "find did not list the unit: $found"

printf 'Neu#2026x\n' | kv3 set 00:1A:2B:3C:4D:01 --name Dachboden --password-stdin \
  --address 127.0.0.11 >/dev/null || fail "set"
kv3 find --address 127.0.0.11 --json | grep -q '"deviceName": "Dachboden"' ||
  fail "the unit does not show the new name"

windows="Z:${folder//\//\\}\\kv3 V2.14.bin"
kv3 -q update firmware 00:1A:2B:3C:4D:01 "$windows" --address 127.0.0.11 >/dev/null ||
  fail "update firmware"
cmp -s "$folder/kv3 V2.14.bin" "$scratch/store/127.0.0.11/firmware.bin" ||
  fail "the unit stored other bytes than the file"

# The search on a PC with two adapters, as on Windows: a socket bound to each adapter's address
# sends that network's broadcast, and each unit is found and read on its own network.
if [ -n "$lan" ] && "$lan" check; then
  lan_name="$("$lan" name wine)"
  exec {lock}>"/run/kv3lan/$lan_name.lock"
  flock -n "$lock"
  "$lan" up "$lan_name" --sim "$kv3sim" \
    --unit mac=00:1A:2B:3C:4D:21,ip=192.0.2.11,mask=255.255.255.0,name=Heizraum \
    --second-lan-unit mac=00:1A:2B:3C:4D:22,ip=203.0.113.11,mask=255.255.255.0,name=Stall
  found="$("$lan" exec "$lan_name" pc timeout 120 "$wine" "$kv3exe" find --json)" ||
    fail "find on two adapters: $found"
  for name in Heizraum Stall; do
    echo "$found" | grep -q "\"deviceName\": \"$name\"" || fail "find did not read $name: $found"
  done
  echo "$found" | grep -q '"own": "203.0.113.1"' || fail "no search from the second adapter: $found"
  echo "wine_kv3: the search from each adapter found both units"
fi
echo "wine_kv3: find, set and update firmware passed under Wine"
