# Sourced by the whole-program tests once they run inside their private network and mount
# namespaces: brings up loopback with a default route through it (so broadcasts stay inside),
# gives the single-instance guard a lock file private to this namespace, and starts a virtual X
# server with a socket folder of its own. Sets $work (a private scratch folder, removed at exit), $pids (killed at exit) and
# DISPLAY. The caller defines skip().
work="$(mktemp -d)"
chmod 700 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

ip link set lo up
ip route add default dev lo

# A copy on the desktop or in a parallel test neither blocks this one nor is blocked by it.
lock="/tmp/Talmeco t540.$(id -u).lock"
[ -e "$lock" ] || : >"$lock"
: >"$work/lock"
mount --bind "$work/lock" "$lock"
# A folder of its own for the X server's socket: with -displayfd a server in a fresh network
# namespace always takes display 0 (it keeps no lock file) and would replace the socket file of
# any other server on display 0, another test's or the desktop's, in a shared /tmp/.X11-unix.
[ -d /tmp/.X11-unix ] || install -d -m 1777 /tmp/.X11-unix
mount -t tmpfs -o mode=1777 kv3x11 /tmp/.X11-unix

# -noreset: by default the server resets once its last client has gone, and a client that
# connects during the reset is dropped: the window then finds no display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work"
