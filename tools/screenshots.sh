#!/usr/bin/env bash
# Screenshots of the main window on the Inbox, the Outbox and Sent Items,
# taken under a virtual display with a seeded data folder, for review by eye.
#   tools/screenshots.sh [OUTPUT_DIR]      (default: build/screenshots)
# Needs Xvfb and ImageMagick (tools/setup-deps.sh --with-display) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${BUILD_DIR:-build}"
out="$(realpath -m "${1:-$BUILD_DIR/screenshots}")"
mkdir -p "$out"
cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
ninja -C "$BUILD_DIR" velquarin >/dev/null

work="$(mktemp -d /tmp/velquarin-shots-XXXXXX)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The data folder: the shipped schema plus sample addresses, groups, folders
# and messages (text stored as packed GSM 7-bit hex, as the program does).
mkdir -p "$work/data" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
sqlite3 "$work/data/data.db" < resources/sql/schema.sql
python3 - "$work/data/data.db" <<'PY'
import sqlite3, sys, datetime

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

db = sqlite3.connect(sys.argv[1])
c = db.cursor()
people = [("+447700900101", "Alice", "Morgan"), ("+447700900102", "Bruno", "Keller"),
          ("+447700900103", "Chen", "Wei"), ("+447700900104", "Dana", "O'Neill")]
c.executemany("insert into tbaddrs (addrno, addrnam1, addrnam2) values (?,?,?)", people)
for g in ("Family", "Work", "Inbox"):
    c.execute("insert into tbgrps (grpnam) values (?)", (g,))
c.execute("insert into tbaddrgrps (grpnam, addrno) values ('Family', '+447700900101')")
for k in ("InboxReceipts", "InboxFamily"):
    c.execute("insert into tbinbox (key) values (?)", (k,))
c.execute("insert into tbsentitems (key) values ('SentItemsArchive')")
base = datetime.datetime(2024, 3, 4, 9, 15, 0)
def t(minutes):
    return (base + datetime.timedelta(minutes=minutes)).strftime("%Y-%m-%d %H:%M:%S")
texts = ["Running ten minutes late, start without me", "Invoice 2231 is paid, thank you",
         "Can you call me when you land?", "Meeting moved to Thursday 14:00",
         "Parcel delivered to reception", "Happy birthday! See you tonight",
         "Your code is 482913", "Lunch tomorrow?"]
numbers = [p[0] for p in people] + ["+15550001234", "+33612345678"]
for i, text in enumerate(texts):
    status = "N" if i in (3, 6, 7) else "O"
    c.execute("insert into tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, msgstatus, msgfolder)"
              " values (?,?,?,?,0,?,?,'Inbox')",
              (i + 1, numbers[i % len(numbers)], pack7(text), 1 if i != 5 else 2, t(i * 37), status))
for i in range(4):
    c.execute("insert into tboutqueue (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus)"
              " values (?,?,1,?,?,?,?)",
              (100 + i, numbers[(i + 2) % len(numbers)], pack7("Reminder %d" % i), t(600 + i * 30), t(500),
               "A" if i == 0 else None))
for i in range(6):
    c.execute("insert into tboutlog (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus, logcreated, msgfolder)"
              " values (?,?,1,?,?,?,?,?,'SentItems')",
              (200 + i, numbers[(i + 1) % len(numbers)], pack7("Sent note %d" % i), t(i * 45), t(i * 45 - 5),
               "C" if i != 2 else "E", t(i * 45 + 1)))
db.commit()
PY

display=":$(( (RANDOM % 400) + 200 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

for node in Inbox Outbox SentItems; do
  DISPLAY="$display" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb "$BUILD_DIR/src/velquarin" --data-dir "$work/data" --select-node="$node" \
    >"$work/app.log" 2>&1 &
  app_pid=$!
  sleep 7   # the splash shows for at least 3.5 s before the main window
  DISPLAY="$display" import -window root "$out/mainwindow-$node.png"
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
done
echo "Screenshots in $out"
