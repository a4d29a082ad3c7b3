#!/usr/bin/env bash
# Builds Velquarin and starts it. Installs what is missing on Debian 12.
#   ./run.sh                 start with the usual data folder
#   ./run.sh --demo          start a simulated GSM modem on a pseudo-terminal
#                            and a throwaway data folder pointed at it
#   ./run.sh -- ARGS...      pass further arguments to the program
set -euo pipefail
cd "$(dirname "$0")"
demo=0
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --demo) demo=1 ;;
    --) shift; args+=("$@"); break ;;
    *) args+=("$1") ;;
  esac
  shift
done
tools/setup-deps.sh
BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"

if [ "$demo" -eq 0 ]; then
  exec "$BUILD_DIR/src/velquarin" "${args[@]}"
fi

work="$(mktemp -d /tmp/velquarin-demo-XXXXXX)"
modem_log="$work/simmodem.log"
"$BUILD_DIR/tests/velquarin-simmodem" --link "$work/modem0" --incoming-every 45 --sample-phonebook >"$modem_log" 2>&1 &
modem_pid=$!
trap 'kill $modem_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$work/modem0" ] && break; sleep 0.1; done
echo "Simulated modem on $work/modem0 (log: $modem_log); data folder $work/data"
export VELQUARIN_SCAN_PORTS="$work/modem0"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
"$BUILD_DIR/src/velquarin" --data-dir "$work/data" "${args[@]}"
