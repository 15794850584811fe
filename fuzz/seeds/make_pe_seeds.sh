#!/usr/bin/env bash
# Builds the PE reader's fuzz seeds with the MinGW-w64 tool chain: a small 64-bit and 32-bit
# DLL of the shape a plugin has (exports, imports from kernel32 and from the script host, one
# by number, and a version resource), at the usual file alignment. No timestamp, so the bytes
# are the same at every build. The seeds are committed; run this only to change them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$here/../corpus/fuzz_pe_image
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
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
ls -l "$out"
