#!/usr/bin/env bash
# netns-lan sweep, run from a process and mount namespace of its own as another test run's sweep
# is, removes the LAN of a maker that has ended and leaves the LAN of a maker that still holds
# its lock, though that maker is invisible to it; "up" refuses a LAN whose lock nobody holds.
# Exit code 77 means skipped.
# Usage: netns_lan_sweep_test.sh PATH/TO/netns-lan PATH/TO/kv3sim
set -euo pipefail

lan=$1 sim=$2
fail() { echo "FAIL: $*"; exit 1; }
if ! "$lan" check; then
  # scripts/test as root: a green run must not hide this case.
  [ "${KV3_LAN_REQUIRED:-0}" != 0 ] && { echo "FAIL: network namespaces cannot be made here (KV3_LAN_REQUIRED)"; exit 1; }
  echo "SKIP: network namespaces cannot be made here (needs root)"
  exit 77
fi
unshare -p -f -m --mount-proc true 2>/dev/null || { echo "SKIP: no process namespace here"; exit 77; }

kept=$("$lan" name sweeptest)
left=$("$lan" name sweeptest)
unlocked=$("$lan" name sweeptest)
left_sim=""
trap '"$lan" down "$kept"; "$lan" down "$left"; "$lan" down "$unlocked"; kill $left_sim 2>/dev/null' EXIT
unit="mac=00:1A:2B:3C:4D:01,ip=192.0.2.11"

# A maker that ends without taking its LAN down, as a run that was killed does.
bash -c 'exec {lock}>"/run/kv3lan/$1.lock" && flock -n "$lock" && "$2" up "$1" --sim "$3" --unit "$4"' \
  maker "$left" "$lan" "$sim" "$unit"
# Its simulator outlives it; the sweep below cannot see it from its own process namespace.
left_sim=$(cat "/run/kv3lan/$left/$left-u1.pid")
# A maker at work: this script holds the lock while the sweep runs.
exec {lock}>"/run/kv3lan/$kept.lock"
flock -n "$lock"
"$lan" up "$kept" --sim "$sim" --unit "$unit"

if "$lan" up "$unlocked" --sim "$sim" --unit "$unit" 2>/dev/null; then
  fail "up made a LAN whose lock nobody holds"
fi

unshare -p -f -m --mount-proc --propagation private "$lan" sweep

namespaces() { ip netns list 2>/dev/null | awk '{print $1}' | grep "^$1-" || true; }
[ "$(namespaces "$kept" | wc -l)" -eq 4 ] || fail "the sweep took from a LAN in use: $(namespaces "$kept")"
"$lan" exec "$kept" u1 true || fail "the LAN in use cannot be entered after the sweep"
# A sweep of another run may have held the left-over LAN's lock while removing it, so that this
# sweep passed it by: wait for whichever sweep removes it to finish.
for _ in $(seq 100); do
  [ -z "$(namespaces "$left")" ] && [ ! -e "/run/kv3lan/$left" ] && [ ! -e "/run/kv3lan/$left.lock" ] &&
    break
  sleep 0.1
done
[ -z "$(namespaces "$left")" ] || fail "the sweep left namespaces of an ended maker: $(namespaces "$left")"
[ ! -e "/run/kv3lan/$left" ] && [ ! -e "/run/kv3lan/$left.lock" ] ||
  fail "the sweep left the state of an ended maker"
[ -z "$(namespaces "$unlocked")" ] || fail "a refused up left namespaces"
echo "PASS: the sweep kept the LAN in use and removed the one left over"
