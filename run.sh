#!/usr/bin/env bash
# Builds KRAVin3 (Release, build/run) and starts it with the shipped master
# tables, the field-bus library and the controller simulator qvsim, so the
# online functions can be tried without hardware.
#   ./run.sh [project.KRA]
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps

build=${KRAVIN_RUN_BUILD_DIR:-build/run}
cmake -G Ninja -S . -B "$build" \
  -DCMAKE_BUILD_TYPE=Release \
  -DKRAVIN_SANITIZE=OFF \
  -DKRAVIN_WERROR=OFF \
  -DKRAVIN_TESTS=OFF \
  -DKRAVIN_BENCH=OFF >/dev/null
cmake --build "$build" -j "${KRAVIN_JOBS:-3}" --target KRAVin3 qvsim QVCFG qvcfgsim

bin="$build/bin"

# The simulator prints its pseudo-terminal on its first line of output.
simout=$(mktemp)
"$bin/qvsim" >"$simout" 2>"$simout.err" &
simpid=$!
ptylink=""
cleanup() {
  kill "$simpid" 2>/dev/null || true
  wait "$simpid" 2>/dev/null || true
  rm -f "$simout" "$simout.err"
  # Left alone when a later run points it at its own simulator.
  [ -z "$ptylink" ] || ./scripts/qvsim-port-link --remove "$pty" || true
}
trap cleanup EXIT

pty=""
for _ in $(seq 1 50); do
  pty=$(head -n 1 "$simout" 2>/dev/null || true)
  [ -n "$pty" ] && break
  kill -0 "$simpid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$pty" ]; then
  echo "run.sh: the controller simulator did not start:" >&2
  cat "$simout.err" >&2
  exit 1
fi
# The tool gets a name for it that stays the same from run to run, so the port saved in
# Operation > Option keeps working.
if port=$(./scripts/qvsim-port-link "$pty"); then
  ptylink=$port
else
  echo "run.sh: no lasting name for the simulator's port; using $pty" >&2
  port=$pty
fi
echo "run.sh: controller simulator qvsim on $port -> $pty (QV200, unit ID 0001, 9600 baud)"
export KRAVIN_EXTRA_PORTS="$port${KRAVIN_EXTRA_PORTS:+;$KRAVIN_EXTRA_PORTS}"

# Without a display the window is served over VNC (connect a viewer to port 5900).
if [ -z "${QT_QPA_PLATFORM:-}" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM="vnc:size=1280x800:port=${KRAVIN_VNC_PORT:-5900}"
  echo "run.sh: no display found; KRAVin3 is served over VNC on port ${KRAVIN_VNC_PORT:-5900}"
fi

"$bin/KRAVin3" "$@"
