#!/usr/bin/env bash
# Remakes docs/screen-terminal.png and docs/screen-chat.png: the client run
# for real under Xvfb against the bundled board, logged in as the demo user,
# once in the main menu and once in the chat room. Needs Xvfb, xdotool and
# imagemagick. There is no window manager, so the function keys are clicked
# on the function-key bar rather than typed.
#
#   tools/screenshots.sh [build folder]     (default: build)
#   tools/screenshots.sh --color [build]    the board negotiating telnet and
#                                           colouring its text: screen-color.png
#   tools/screenshots.sh --designed-colors [build]
#                                           the chat room with ReadableColors
#                                           off: chat-colors-designed.png
#   tools/screenshots.sh --new-lines [build]
#                                           a busy chat room scrolled back
#                                           while statements arrive below:
#                                           screen-new-lines.png
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
board_args=()
readable=True
chat_shot=screen-chat.png
rows_shot=chat-colors-readable.png
chatter=1500
new_lines=
if [ "${1:-}" = --new-lines ]; then
  chatter=200
  new_lines=screen-new-lines.png
  shift
elif [ "${1:-}" = --color ]; then
  board_args=(--telnet --color)
  shift
elif [ "${1:-}" = --designed-colors ]; then
  readable=False
  chat_shot=
  rows_shot=chat-colors-designed.png
  shift
fi
build=$(cd "${1:-$root/build}" && pwd)
client="$build/zkt"
board="$build/tools/board/zkt-board"
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -x "$client" ] && [ -x "$board" ] || { echo "build zkt and zkt-board in $build first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 20 s for a command to succeed.
wait_for() {
  for _ in $(seq 1 200); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "gave up waiting for: $*" >&2
  exit 1
}

# The board with its simulated members speaking every few seconds, so that
# the room has a conversation; --record tells when the client has answered.
"$board" --record --chatter-interval "$chatter" "${board_args[@]}" 0 >"$work/board.log" 2>&1 &
pids+=($!)
wait_for grep -q 'listening on' "$work/board.log"
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/board.log")
# Whether what the client has sent so far ends with the text given.
sent_ends_with() {
  local sent want
  sent=$(sed -n 's/^received [0-9]* //p' "$work/board.log" | tr -d '\n')
  want=$(printf '%s' "$1" | xxd -p | tr -d '\n')
  [[ $sent == *"$want" ]]
}

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
wait_for xdotool getdisplaygeometry

export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/ZKT"
cat >"$XDG_CONFIG_HOME/ZKT/ZKT_1.ini" <<INI
[Default]
UserID=demo
Password=demo
HandleName=たろう
ConnectionAddress=127.0.0.1
ConnectionPort=$port
RecFormLeft=0
RecFormTop=0
RecFormWidth=14400
RecFormHeight=9000
ReadableColors=$readable
INI

QT_QPA_PLATFORM=xcb "$client" >"$work/client.log" 2>&1 &
pids+=($!)
wait_for xdotool search --onlyvisible --name '^ZKT'
window=$(xdotool search --onlyvisible --name '^ZKT' | head -1)
sleep 0.5

# Clicks F<n> on the function-key bar, from the bar's layout: docked above
# the 25-pixel status bar, 26 pixels high, twelve equal keys with 2-pixel
# gaps and 6 more after every fourth key.
press() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local item=$(($1 - 1))
  local key=$(((WIDTH - 50) / 12))
  local x=$((2 + item * (key + 2) + item / 4 * 8 + key / 2))
  local y=$((HEIGHT - 25 - 13))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

shoot() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  mkdir -p "$root/docs"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$root/docs/$1"
  echo "wrote docs/$1"
}

press 1                                   # ログイン
wait_for sent_ends_with $'demo\r\ndemo\r\n'
sleep 1
if [ ${#board_args[@]} -gt 0 ]; then
  shoot screen-color.png
  exit 0
fi
if [ "$readable" = True ] && [ -z "$new_lines" ]; then
  shoot screen-terminal.png
fi

press 2                                   # チャットイン
wait_for sent_ends_with $'C\r\nE\r\n'
xdotool windowfocus --sync "$window"
sleep 1
xdotool type --delay 20 'hello'
xdotool key Return
wait_for sent_ends_with $'hello\r\n'
sleep 5                                   # a few statements of the members
if [ -n "$new_lines" ]; then
  sleep 8                                 # more rows than the view shows
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT / 3)) click --repeat 3 --delay 50 4
  sleep 2                                 # statements arrive below
  shoot "$new_lines"
  exit 0
fi
if [ -n "$chat_shot" ]; then
  shoot "$chat_shot"
fi
# The first rows of the chat view alone, large enough to compare colours.
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "330x130+${X}+${Y}" +repage "$root/docs/$rows_shot"
echo "wrote docs/$rows_shot"
