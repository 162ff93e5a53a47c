#!/usr/bin/env bash
# scripts/screenshot with a simulated unit writes a PNG of the window and leaves no process of
# its own behind: the simulator it started ends with it. Exit code 77 means skipped.
# Usage: screenshot_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

source_dir="$1"
build_dir="$2"
for tool in Xvfb xwininfo import; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
if [ "$(id -u)" -eq 0 ]; then ns=(unshare -n -m --propagation private)
else ns=(unshare -r -n -m --propagation private); fi
"${ns[@]}" true 2>/dev/null || skip "cannot create a private network namespace here"

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
# A name no other simulator on this machine carries, to find this test's simulator by.
marker="shot$$x$RANDOM"
"$source_dir/scripts/screenshot" --build "$build_dir" --wait 1 \
  --sim "--unit name=$marker" "$out/window.png" || fail "screenshot failed"
[ "$(head -c 8 "$out/window.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "no PNG written"
sleep 0.5
if pgrep -f "name=$marker" >/dev/null; then
  pkill -f "name=$marker" || true
  fail "the simulator started for the picture is still running"
fi
echo "PASS"
