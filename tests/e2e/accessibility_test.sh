#!/usr/bin/env bash
# A desktop accessibility client finds the configurator's controls by their names and types into
# them. The configurator runs under a virtual X server with its own session bus, inside a
# private network namespace (loopback only). Exit code 77 means skipped.
# Usage: accessibility_test.sh PATH/TO/kv3config
set -euo pipefail

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }
here="$(cd "$(dirname "$0")" && pwd)"

if [ "${1-}" != "--inside" ]; then
  config="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  [ -x "$config" ] || fail "no configurator at $1"
  command -v Xvfb >/dev/null || skip "Xvfb is not installed (Debian: xvfb)"
  command -v dbus-run-session >/dev/null || skip "dbus-run-session is missing (Debian: dbus)"
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "pyatspi is missing (Debian: python3-pyatspi)"
  [ -x /usr/libexec/at-spi-bus-launcher ] || skip "the accessibility bus is missing (Debian: at-spi2-core)"
  if [ "$(id -u)" -eq 0 ]; then ns=(unshare -n -m --propagation private)
  else ns=(unshare -r -n -m --propagation private); fi
  "${ns[@]}" true 2>/dev/null || skip "cannot create a private network namespace here"
  exec "${ns[@]}" bash "$0" --inside "$config"
fi

config="$2"
# shellcheck source=isolated_desktop.sh
source "$here/isolated_desktop.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0

mkdir "$work/run"
cat >"$work/session" <<INNER
#!/usr/bin/env bash
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
sleep 1
(cd "$work/run" && exec "$config") >"$work/config.log" 2>&1 &
app=\$!
/usr/bin/python3 "$here/find_controls.py"
code=\$?
kill \$app 2>/dev/null
exit \$code
INNER
chmod +x "$work/session"
if dbus-run-session -- "$work/session"; then
  echo "PASS: an accessibility client found BTSuchen and typed into Edit8"
else
  echo "--- configurator log"; cat "$work/config.log" || true
  fail "the accessibility client did not find what it looked for"
fi
