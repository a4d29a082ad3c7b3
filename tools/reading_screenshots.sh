#!/usr/bin/env bash
# Screenshots of the preview pane for each kind of message (text, ringtone,
# operator logo, a logo whose width is not a multiple of 4, picture message,
# Unicode text), and of the message window opened on a picture message,
# taken under a virtual display with a throwaway data folder per kind.
#   tools/reading_screenshots.sh [OUTPUT_DIR]   (default: build/screenshots)
# Needs Xvfb, xdotool and ImageMagick (tools/setup-deps.sh --with-display).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
out="$(realpath -m "${1:-$BUILD_DIR/screenshots}")"
mkdir -p "$out"
cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
ninja -C "$BUILD_DIR" velquarin >/dev/null

work="$(mktemp -d /tmp/velquarin-reading-XXXXXX)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

kinds="text ringtone logo logo10 picture unicode"
for kind in $kinds; do
  mkdir -p "$work/$kind/data"
  sqlite3 "$work/$kind/data/data.db" < resources/sql/schema.sql
done
python3 - "$work" $kinds <<'PY'
import sqlite3, sys

def pack7(text):
    bits, n, out = 0, 0, bytearray()
    for ch in text:
        bits |= (ord(ch) & 0x7F) << n
        n += 7
        while n >= 8:
            out.append(bits & 0xFF); bits >>= 8; n -= 8
    if n:
        out.append(bits & 0xFF)
    return out.hex().upper()

def hexbits(bits):
    bits += "0" * (-len(bits) % 4)
    return "".join("%X" % int(bits[i:i + 4], 2) for i in range(0, len(bits), 4))

def header(port, total, part):
    return "0B0504%s0000000301%02X%02X" % (port, total, part)

def pixels(w, h, ink):
    return "".join("1" if ink(x, y) else "0" for y in range(h) for x in range(w))

def logo(w, h, ink):
    body = "3032F4510A" + "00%02X%02X01" % (w, h) + hexbits(pixels(w, h, ink))
    return header("1582", 2, 1) + body[:256] + header("1582", 2, 2) + body[256:]

def picture(ink, text):
    body = "30" + "02" + "0100" + "00481C01" + hexbits(pixels(72, 28, ink))
    body += "00" + "%04X" % len(text) + text.encode("latin-1").hex().upper()
    return header("158A", 3, 1) + body[:256] + header("158A", 3, 2) + body[256:512] + header("158A", 3, 3) + body[512:]

def ringtone(title):
    bits = "00000010" + "0100101000111010" + "01" + format(len(title), "04b")
    bits += "".join(format(ord(c), "08b") for c in title) + "00000000"
    bits += "0" * (-len(bits) % 8)
    return header("1581", 1, 1) + hexbits(bits)

def smiley(x, y):
    dx, dy = x - 36, y - 14
    r = dx * dx + dy * dy * 4
    return (560 <= r <= 700) or (dy == -4 and abs(dx) == 8) or (dy == 5 and abs(dx) < 10)

def wordmark(x, y):
    # a frame with a row of 4 x 4 blocks, every other one filled
    if x in (0, 71) or y in (0, 13):
        return True
    return 5 <= y <= 8 and 4 <= x <= 67 and (x - 4) // 4 % 2 == 0

kinds = {
    "text": (1, pack7("Meeting moved to Thursday 14:00. Bring the slides, please.")),
    "ringtone": (2, ringtone("Morning Bells")),
    "logo": (3, logo(72, 14, wordmark)),
    "logo10": (3, logo(10, 10, lambda x, y: x == y or x == 9 - y or x in (0, 9))),
    "picture": (4, picture(smiley, "Greetings from the coast")),
    "unicode": (5, "Привет, café ☕".encode("utf-16-be").hex().upper()),
}
work = sys.argv[1]
for kind in sys.argv[2:]:
    db = sqlite3.connect("%s/%s/data/data.db" % (work, kind))
    t, content = kinds[kind]
    db.execute("insert into tbaddrs (addrno, addrnam1, addrnam2) values ('+447700900101','Alice','Morgan')")
    db.execute("insert into tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, msgstatus, msgfolder)"
               " values (1, '+447700900101', ?, ?, 0, '2024-03-05 09:07:02', 'N', 'Inbox')", (content, t))
    db.commit()
PY

display=":$(( (RANDOM % 400) + 200 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

for kind in $kinds; do
  mkdir -p -m 700 "$work/$kind/config" "$work/$kind/runtime"
  DISPLAY="$display" XDG_CONFIG_HOME="$work/$kind/config" XDG_RUNTIME_DIR="$work/$kind/runtime" \
    QT_QPA_PLATFORM=xcb "$BUILD_DIR/src/velquarin" --data-dir "$work/$kind/data" \
    >"$work/app.log" 2>&1 &
  app_pid=$!
  # The splash shows for at least 3.5 s before the main window; then the
  # modem scan finds no modem and says so: its box is closed.
  sleep 10
  DISPLAY="$display" xdotool key Return || true
  sleep 1
  DISPLAY="$display" import -window root "$out/pane-$kind.png"
  if [ "$kind" = picture ]; then
    # The message window: a double click on the list's only row.
    win="$(DISPLAY="$display" xdotool search --onlyvisible --name 'Velquarin' | head -1 || true)"
    if [ -n "$win" ]; then
      eval "$(DISPLAY="$display" xdotool getwindowgeometry --shell "$win")"
      DISPLAY="$display" xdotool mousemove $((X + WIDTH / 2)) $((Y + 130)) click --repeat 2 --delay 80 1
      sleep 2
      DISPLAY="$display" import -window root "$out/message-window-picture.png"
    fi
  fi
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
done
echo "Screenshots in $out"
