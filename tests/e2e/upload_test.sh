#!/usr/bin/env bash
# Updates the firmware and the web app of a simulated unit through the real window, on the
# namespace LAN of scripts/netns-lan (production ports and broadcast address, documentation
# addresses only). An accessibility client chooses the files in the real file dialog, starts
# the uploads and reads the message boxes; then the files the unit stored are compared with the
# files sent. Exit code 77 means skipped.
# With "scheme", a system-scheme picture and its position definition go the same way instead.
# Usage: upload_test.sh KV3CONFIG KV3SIM [SIZE] [success|corrupted|scheme]
#   SIZE: bytes of each file (default 40000); corrupted: the unit closes the web app's connection
#   without an answer.
set -euo pipefail

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
config="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
sim="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
size="${3:-40000}"
webapp_outcome="${4:-success}"

command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian: xvfb)"
command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing (Debian: dbus)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is missing (Debian: python3-pyatspi)"
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the accessibility bus is missing (Debian: at-spi2-core)"
if ! "$root/scripts/netns-lan" check; then
  # scripts/test as root: a green run must not hide this case.
  [ "${KV3_LAN_REQUIRED:-0}" != 0 ] && fail "network namespaces cannot be made here (KV3_LAN_REQUIRED)"
  skip "network namespaces cannot be made here (needs root)"
fi

name="$("$root/scripts/netns-lan" name up)"
# Held until this script ends: the LAN is in use (scripts/netns-lan).
exec {lan_lock}>"/run/kv3lan/$name.lock"
flock -n "$lan_lock"
work="$(mktemp -d)"
chmod 700 "$work"
cleanup() { "$root/scripts/netns-lan" down "$name"; rm -rf "$work"; }
trap cleanup EXIT
mkdir "$work/files" "$work/store" "$work/run"
head -c "$size" /dev/urandom >"$work/files/kv3_fw_2.0.bin"
head -c "$size" /dev/urandom >"$work/files/kv3web-2.0.rom"
head -c "$size" /dev/urandom >"$work/files/anlage.jpg"
printf '<?xml version="1.0"?>\r\n<pos id="t1" x="12" y="340"/>\r\n' >"$work/files/anlage.rem"
printf '<?xml version="1.0"?>\r\n<pos id="t1" x="   12" y="  340"/>\n' >"$work/normalised.rem"

fault=""
[ "$webapp_outcome" = corrupted ] && fault=",fault=RFUP:close"
"$root/scripts/netns-lan" up "$name" --sim "$sim" --sim-option "--store=$work/store" \
  --sim-option "--restart-ms=500" \
  --unit "mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,mask=255.255.255.0,gateway=192.0.2.254,fw=1.7,webapp=kv3web-1.4$fault"

ip netns exec "$name-pc" unshare -m --propagation private \
  bash -s "$config" "$work" "$here" "$webapp_outcome" {lan_lock}>&- <<'INSIDE'
set -euo pipefail
config=$1 work=$2 here=$3 webapp_outcome=$4
skip() { echo "SKIP: $*"; exit 77; }
lock="/tmp/Talmeco t540.$(id -u).lock"
[ -e "$lock" ] || : >"$lock"
: >"$work/lock"
mount --bind "$work/lock" "$lock"
# A folder of its own for the X server's socket: with -displayfd a server in a fresh network
# namespace always takes display 0 (it keeps no lock file) and would replace the socket file of
# any other server on display 0, another test's or the desktop's, in a shared /tmp/.X11-unix.
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
mount -t tmpfs -o mode=1777 kv3x11 /tmp/.X11-unix
# -noreset: by default the server resets once its last client has gone (here the readiness
# check), and a client that connects during the reset is dropped: the window then finds no display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 300); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
# The configurator starts only once the server takes connections; a server that never does is
# shown with its log.
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || {
  echo "FAIL the X server on $DISPLAY takes no connection"
  kill -0 "$xvfb" 2>/dev/null || echo "(it has ended)"
  cat "$work/xvfb.log"
  exit 1
}
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
cat >"$work/session" <<SESSION
#!/usr/bin/env bash
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
sleep 1
(cd "$work/run" && exec "$config") >"$work/config.log" 2>&1 &
app=\$!
if [ "$webapp_outcome" = scheme ]; then
  PYTHONPATH="$here" /usr/bin/python3 "$here/scheme_client.py" "$work/files/anlage.jpg"
else
  PYTHONPATH="$here" /usr/bin/python3 "$here/upload_client.py" "$work/files/kv3_fw_2.0.bin" \
    "$work/files/kv3web-2.0.rom" "$webapp_outcome"
fi
code=\$?
kill \$app 2>/dev/null
exit \$code
SESSION
chmod +x "$work/session"
dbus-run-session -- "$work/session" || {
  echo "--- configurator log"; cat "$work/config.log"
  echo "--- X server log"; cat "$work/xvfb.log"; exit 1
}
INSIDE

stored="$work/store/192.0.2.11"
if [ "$webapp_outcome" = scheme ]; then
  cmp "$work/normalised.rem" "$work/files/anlage.rem" || fail "the definition was not normalised"
  cmp "$work/normalised.rem" "$stored/getPosition.xml" || fail "the stored definition differs"
  cmp "$work/files/anlage.jpg" "$stored/anlage.jpg" || fail "the stored picture differs"
  echo "PASS: the unit stored the normalised definition and the picture ($size bytes)"
  exit 0
fi
cmp "$work/files/kv3_fw_2.0.bin" "$stored/firmware.bin" || fail "the stored firmware differs"
echo "PASS: the unit stored the firmware byte for byte ($size bytes)"
if [ "$webapp_outcome" = success ]; then
  cmp "$work/files/kv3web-2.0.rom" "$stored/kv3web-2.0.rom" || fail "the stored web app differs"
  echo "PASS: the unit stored the web app byte for byte ($size bytes)"
fi
