#!/usr/bin/env bash
# Builds the client, starts the bundled board on a free port (negotiating
# telnet options and colouring its text, as boards behind a telnet daemon
# do) and starts the client against it with a demo profile of its own (the
# user's own settings file is never touched). The board stops when the
# client exits.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZKT_BUILD_DIR:-$root/build}
ZKT_TARGETS="zkt zkt-board" "$root/scripts/build.sh"

log=$(mktemp)
"$build/tools/board/zkt-board" --telnet --color 0 >"$log" 2>&1 &
board=$!
trap 'kill $board 2>/dev/null || true; rm -f "$log"' EXIT
port=
for _ in $(seq 1 100); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log")
  [ -n "$port" ] && break
  kill -0 $board 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "zkt-board did not start" >&2; cat "$log" >&2; exit 1; }
echo "bundled board on 127.0.0.1:$port (demo account: demo / demo)"

export XDG_CONFIG_HOME="$build/demo-config"
ini="$XDG_CONFIG_HOME/ZKT/ZKT_1.ini"
mkdir -p "$(dirname "$ini")"
if [ ! -f "$ini" ]; then
  cat >"$ini" <<INI
[Default]
UserID=demo
Password=demo
ConnectionAddress=127.0.0.1
ConnectionPort=$port
INI
  chmod 600 "$ini"
else
  # Keep what the user changed in the demo profile; only follow the board's port.
  sed -i "s/^ConnectionPort=.*/ConnectionPort=$port/; s/^ConnectionAddress=.*/ConnectionAddress=127.0.0.1/" "$ini"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "no display: starting the client under Xvfb on :99" >&2
  Xvfb :99 -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $board $xvfb 2>/dev/null || true; rm -f "$log"' EXIT
  export DISPLAY=:99
  sleep 1
fi
"$build/zkt"
