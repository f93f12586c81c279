#!/usr/bin/env bash
# Peak memory of the game replaying large recordings: a tiny one (the game's
# own baseline), 1 MB and 100 MB of empty passes, and 300 MB of zeros. Each
# recording holds a wrong state check before its first pass, so the replay
# reads and checks the whole file, opens the display and ends at once with
# "went differently ... by pass 0" (exit 2): what is measured is the reading.
#   tools/replay_memory.sh SALVO [FORMAT]
# FORMAT is the recording format to write (2, or 1 for a build of before
# format 2). Needs /usr/bin/time; runs under tools/with-display.sh.
set -euo pipefail
salvo=$(realpath "${1:?usage: tools/replay_memory.sh SALVO [FORMAT]}")
format=${2:-2}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$format" <<'PY'
import struct, sys, zlib
folder, fmt = sys.argv[1], int(sys.argv[2])

def record(kind, payload):
    head = bytes([kind, len(payload)])
    if fmt >= 2:
        head += struct.pack("<H", zlib.crc32(head) & 0xFFFF)
    body = head + payload
    return body + struct.pack("<I", zlib.crc32(body))

def recording(name, size):
    header = b"SALVOREC" + struct.pack("<HH", fmt, 1)
    header += struct.pack("<I", zlib.crc32(header))
    check = record(ord("H"), b"\0" + bytes(8))  # no game state hashes to 0
    empty = record(ord("P"), b"\0\0")
    passes = (size - len(header) - len(check)) // len(empty)
    with open(f"{folder}/{name}", "wb") as f:
        f.write(header + check)
        chunk = empty * 65536
        for _ in range(passes // 65536):
            f.write(chunk)
        f.write(empty * (passes % 65536))
        v = passes
        count = bytearray()
        while v >= 0x80:
            count.append(v & 0x7F | 0x80)
            v >>= 7
        count.append(v)
        f.write(record(ord("E"), bytes(count) + (b"\0" * 8 + b"\0" if fmt >= 2 else b"")))

recording("tiny.rec", 1000)
recording("1MB.rec", 1 << 20)
recording("100MB.rec", 100 << 20)
PY
head -c $((300 << 20)) /dev/zero >"$work/zeros300MB"

printf '%-12s %10s %5s %8s  %s\n' file bytes exit "peak MB" message
for name in tiny.rec 1MB.rec 100MB.rec zeros300MB; do
  file=$work/$name
  set +e
  SDL_AUDIODRIVER=dummy "$here/with-display.sh" /usr/bin/time -v "$salvo" --mute --replay="$file" \
    >/dev/null 2>"$work/err"
  code=$?
  set -e
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/err")
  message=$(grep '^salvo: ' "$work/err" | sed "s|$file: ||" | head -n1)
  printf '%-12s %10s %5s %8.1f  %s\n' "$name" "$(stat -c %s "$file")" "$code" \
    "$(echo "$peak / 1024" | bc -l)" "$message"
done
