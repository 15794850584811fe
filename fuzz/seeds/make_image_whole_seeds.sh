#!/usr/bin/env bash
# Builds the image check's fuzz seeds with the MinGW-w64 tool chain: a small 64-bit DLL as the
# linker leaves it (checksum 0), the same with its checksum written in, and that one cut short
# in its last section. No timestamp, so the bytes are the same at every build. The seeds are
# committed; run this only to change them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/../corpus/fuzz_image_whole
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
x86_64-w64-mingw32-gcc -Os -shared -nostdlib -s -Wl,--no-insert-timestamp -Wl,-e,DllMainCRTStartup \
    -o "$work/seed.dll" "$here/image_whole_seed.c"
cp "$work/seed.dll" "$out/image_whole-dll"
# The checksum: the file's 16-bit words summed with their carries folded in (the field itself
# left out), plus the file's length.
python3 - "$work/seed.dll" "$out/image_whole-dll-checksum" "$out/image_whole-dll-cut" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
field = struct.unpack_from('<I', data, 0x3C)[0] + 24 + 64
struct.pack_into('<I', data, field, 0)
total = 0
for at in range(0, len(data), 2):
    total += int.from_bytes(data[at:at + 2], 'little')
    total = (total & 0xFFFF) + (total >> 16)
total = (total & 0xFFFF) + (total >> 16)
struct.pack_into('<I', data, field, total + len(data))
open(sys.argv[2], 'wb').write(data)
open(sys.argv[3], 'wb').write(data[:len(data) - 100])
PY
ls -l "$out"
