#!/usr/bin/env bash
# kv3.exe under Wine against the Linux simulator: find, set and a firmware update from a folder
# whose name holds umlauts, each checked by what the simulated unit shows or stored. Given the
# Linux kv3 and kv3sim.exe as well, the same runs of kv3.exe and of the Linux kv3 against
# kv3sim.exe under Wine. Runs inside a private network namespace (scripts/isolated), with a Wine
# prefix of its own.
# Given scripts/netns-lan too, kv3.exe's search on a PC with two adapters.
#   wine_kv3_test.sh KV3_EXE KV3SIM [KV3 KV3SIM_EXE [NETNS_LAN]]
set -euo pipefail
kv3exe="$1"
kv3sim="$2"
kv3linux="${3:-}"
kv3simexe="${4:-}"
lan="${5:-}"
lan_name=""
wine=/usr/lib/wine/wine64
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim=""
stop_sim() {
  [ -n "$sim" ] || return 0
  kill "$sim" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$sim" 2>/dev/null || true
  wait "$sim" 2>/dev/null || true
  sim=""
}
cleanup() {
  stop_sim
  [ -n "$lan_name" ] && "$lan" down "$lan_name" 2>/dev/null || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "wine_kv3: $*" >&2; exit 1; }
# The Windows name of a path, on Wine's drive for the root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

folder="$scratch/Jürgen/Firmware"
mkdir -p "$folder"
head -c 7000 /dev/urandom >"$folder/kv3 V2.14.bin"

# Wine makes its prefix on the first start and says so; that is shown only when the start fails.
if ! "$wine" "$kv3exe" --version 2>"$scratch/start.log" | grep -q '^kv3 '; then
  cat "$scratch/start.log" >&2
  fail "kv3.exe --version"
fi

# One simulated unit at $2 on the simulator $1 ("linux" or "wine"), storing under $3.
start_sim() {
  local kind="$1" address="$2" store="$3" log="$scratch/sim-$2.log"
  mkdir -p "$store"
  local args=(--restart-ms=200 --unit "mac=00:1A:2B:3C:4D:01,ip=$address,name=Keller")
  if [ "$kind" = wine ]; then
    "$wine" "$kv3simexe" --store="$(windows_path "$store")" "${args[@]}" >"$log" 2>&1 &
  else
    "$kv3sim" --store="$store" "${args[@]}" >"$log" 2>&1 &
  fi
  sim=$!
  for _ in $(seq 600); do
    grep -q '^kv3sim: ready' "$log" 2>/dev/null && return 0
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.1
  done
  cat "$log" >&2
  fail "kv3sim ($kind) did not get ready"
}

# find, set and update firmware by the client $1 ("windows" or "linux") against the simulator $2.
run_pair() {
  local client="$1" kind="$2" address="$3" store="$scratch/Lager Jürgen/$3" what="$1 kv3 / $2 kv3sim"
  start_sim "$kind" "$address" "$store"
  kv3() {
    if [ "$client" = windows ]; then
      timeout 120 "$wine" "$kv3exe" "$@"
    else
      timeout 120 "$kv3linux" "$@"
    fi
  }
  local found
  found="$(kv3 find --address "$address" --json)" || fail "$what: find"
  echo "$found" | grep -q '"deviceName": "Keller"' || fail "$what: find did not list the unit: $found"

  printf 'Neu#2026x\n' | kv3 set 00:1A:2B:3C:4D:01 --name Dachboden --password-stdin \
    --address "$address" >/dev/null || fail "$what: set"
  kv3 find --address "$address" --json | grep -q '"deviceName": "Dachboden"' ||
    fail "$what: the unit does not show the new name"

  local file="$folder/kv3 V2.14.bin"
  [ "$client" = windows ] && file="$(windows_path "$file")"
  kv3 -q update firmware 00:1A:2B:3C:4D:01 "$file" --address "$address" >/dev/null ||
    fail "$what: update firmware"
  cmp -s "$folder/kv3 V2.14.bin" "$store/$address/firmware.bin" ||
    fail "$what: the unit stored other bytes than the file"
  stop_sim
  echo "wine_kv3: $what: find, set and update firmware passed"
}

run_pair windows linux 127.0.0.11
if [ -n "$kv3linux" ] && [ -n "$kv3simexe" ]; then
  run_pair windows wine 127.0.0.12
  run_pair linux wine 127.0.0.13
fi

# The search on a PC with two adapters, as on Windows: a socket bound to each adapter's address
# sends that network's broadcast, and each unit is found and read on its own network.
if [ -n "$lan" ] && ! "$lan" check && [ "${KV3_LAN_REQUIRED:-0}" != 0 ]; then
  fail "network namespaces cannot be made here for the search on two adapters (KV3_LAN_REQUIRED)"
fi
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
echo "wine_kv3: every run passed under Wine"
