#!/usr/bin/env bash
# make-release-zip.sh ZIP OUT FILE...: writes OUT, a zip holding each FILE under its base name,
# the same bytes on every run: entries sorted by name, one fixed time (2026-01-01 00:00 UTC),
# mode 0644 (0755 for a Linux program, which players run), and no extra fields (-X: no owner
# ids, no extended timestamps).
set -euo pipefail
zip_tool=$1
out=$(realpath -m "$2")
shift 2

stage=$(mktemp -d "${out%.zip}.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
for file in "$@"; do
    cp "$file" "$stage/$(basename "$file")"
done
chmod 0644 "$stage"/*
for file in "$stage"/*; do
    if [ "$(head -c 4 "$file" | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; then chmod 0755 "$file"; fi
done
# zip stores local time: pin the zone as well as the time.
export TZ=UTC LC_ALL=C
touch -d '2026-01-01 00:00:00' "$stage"/*
rm -f "$out" "$out.part"
(cd "$stage" && ls | sort | "$zip_tool" -X -D -9 -q "$out.part" -@)
mv "$out.part" "$out"
