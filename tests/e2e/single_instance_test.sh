#!/usr/bin/env bash
# A second copy of the configurator, started while the first runs, shows the "Hinweis" box,
# opens no window of its own and ends with exit code 0; the first copy goes on running.
#
# Both copies run under a virtual X server inside a private network namespace (loopback only),
# so the first copy's start-up search stays inside. Exit code 77 means skipped.
# Usage: single_instance_test.sh PATH/TO/kv3config
set -euo pipefail

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

if [ "${1-}" != "--inside" ]; then
  config="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  [ -x "$config" ] || fail "no configurator at $1"
  command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian: xvfb)"
  command -v xdotool >/dev/null || skip "xdotool is not installed (Debian: xdotool)"
  if [ "$(id -u)" -eq 0 ]; then ns=(unshare -n -m --propagation private)
  else ns=(unshare -r -n -m --propagation private); fi
  "${ns[@]}" true 2>/dev/null || skip "cannot create a private network namespace here"
  exec "${ns[@]}" bash "$0" --inside "$config"
fi

config="$2"
# shellcheck source=isolated_desktop.sh
source "$(dirname "$0")/isolated_desktop.sh"

# Visible windows of one copy of the configurator, one "id name" line each.
windows_of() {
  local id
  for id in $(xdotool search --onlyvisible --class '^kv3config$' 2>/dev/null); do
    if [ "$(xdotool getwindowpid "$id" 2>/dev/null)" = "$1" ]; then
      echo "$id $(xdotool getwindowname "$id" 2>/dev/null)"
    fi
  done
}

start() {
  mkdir -p "$work/$1"
  (cd "$work/$1" && exec "$config") >"$work/$1.log" 2>&1 &
}

start first
first=$!
pids+=("$first")
for _ in $(seq 200); do
  [ -n "$(windows_of "$first")" ] && break
  sleep 0.1
done
[ -n "$(windows_of "$first")" ] || fail "the first copy shows no window: $(cat "$work/first.log")"

start second
second=$!
pids+=("$second")
box=""
for _ in $(seq 200); do
  shown="$(windows_of "$second")"
  if [ -n "$shown" ] && grep -qv ' Hinweis$' <<<"$shown"; then
    fail "the second copy opened a window other than the notice: $shown"
  fi
  box="$(awk '$2 == "Hinweis" && NF == 2 {print $1; exit}' <<<"$shown")"
  [ -n "$box" ] && break
  kill -0 "$second" 2>/dev/null || fail "the second copy ended without the notice"
  sleep 0.1
done
[ -n "$box" ] || fail "the second copy shows no \"Hinweis\" box"
[ "$(windows_of "$second" | wc -l)" -eq 1 ] || fail "the second copy shows more than the notice"

xdotool windowfocus --sync "$box" key Return
for _ in $(seq 100); do
  kill -0 "$second" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$second" 2>/dev/null && fail "the second copy is still running after OK"
set +e
wait "$second"
code=$?
set -e
[ "$code" -eq 0 ] || fail "the second copy ended with exit code $code"

kill -0 "$first" 2>/dev/null || fail "the first copy ended"
[ -n "$(windows_of "$first")" ] || fail "the first copy lost its window"
echo "PASS: the second copy showed \"Hinweis\" and ended with 0; the first copy runs on"
