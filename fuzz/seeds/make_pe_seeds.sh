#!/usr/bin/env bash
# Builds the fuzz seeds of the DLL readers with the MinGW-w64 tool chain: a small 64-bit and
# 32-bit DLL of the shape a plugin has (exports, imports from kernel32 and from the script host,
# one by number, and a version resource), at the usual file alignment, for the PE reader; and for
# the image check the 64-bit one as the linker leaves it (checksum 0), with its checksum written
# in, and that one cut short in its last section. No timestamp, though the linker may choose another
# image base on another machine. The seeds are committed; run this only to change them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/../corpus/fuzz_pe_image
whole=$here/../corpus/fuzz_image_whole
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$whole"
for arch in x86_64 i686; do
    tools=$arch-w64-mingw32
    entry=DllMainCRTStartup
    [ $arch = i686 ] && entry=_DllMainCRTStartup@12
    $tools-dlltool -d "$here/pe_seed_host.def" -l "$work/host.a"
    $tools-windres "$here/pe_seed.rc" -O coff -o "$work/version.res"
    $tools-gcc -Os -shared -nostdlib -s -Wl,--no-insert-timestamp -Wl,-e,$entry -o "$work/seed.dll" \
        "$here/pe_seed.c" "$work/version.res" "$work/host.a" -lkernel32
    cp "$work/seed.dll" "$out/dll-$arch"
done
cp "$out/dll-x86_64" "$whole/image_whole-dll"
# The checksum: the file's 16-bit words summed with their carries folded in (the field itself
# left out), plus the file's length.
python3 - "$out/dll-x86_64" "$whole/image_whole-dll-checksum" "$whole/image_whole-dll-cut" <<'PY'
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
ls -l "$out" "$whole"
