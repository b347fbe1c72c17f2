#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target for SECONDS each.
#   scripts/run-fuzzers.sh SECONDS
# Seeds come from small generated bitmaps; findings land in build/fuzz/findings.
set -euo pipefail
seconds="${1:?usage: scripts/run-fuzzers.sh SECONDS}"
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
targets=(fuzz_bitmap_file fuzz_bitmap_blocks fuzz_rom_blocks)

cmake --preset fuzz >/dev/null
flock /tmp/kelp-build.lock cmake --build --preset fuzz --target "${targets[@]}" -- -j2

work="$here/build/fuzz/work"
mkdir -p "$work/seeds" "$here/build/fuzz/findings"
# Seeds: a few bitmap variants the test generator writes.
if [ ! -f "$work/seeds/.done" ] && [ -x /usr/bin/python3 ]; then
  tmp="$(mktemp -d)"
  /usr/bin/python3 tests/fixtures/bitmap_variants.py "$tmp" >/dev/null 2>&1 || true
  cp "$tmp"/*.bmp "$work/seeds/" 2>/dev/null || true
  rm -rf "$tmp"
  touch "$work/seeds/.done"
fi

# ROM seeds: both blocks in a small image, one of them cut short.
if [ ! -f "$work/rom-seeds/.done" ]; then
  mkdir -p "$work/rom-seeds"
  /usr/bin/python3 - "$work/rom-seeds" <<'PY'
import os, sys
d = sys.argv[1]
block = b"BGBM01" + bytes(range(256)) * 81
full = b"\x11" * 40 + b"RGBC02" + bytes(21) + block[: 6 + 20542] + b"\x22" * 30
open(os.path.join(d, "both.bin"), "wb").write(full)
open(os.path.join(d, "short.bin"), "wb").write(full[:9000])
PY
  touch "$work/rom-seeds/.done"
fi

status=0
for t in "${targets[@]}"; do
  corpus="$work/corpus-$t"
  mkdir -p "$corpus"
  echo "== $t for ${seconds}s"
  # A picture may be up to 1 G pixels: allow the decoder that much memory.
  seeds="$work/seeds"
  [ "$t" = fuzz_rom_blocks ] && seeds="$work/rom-seeds"
  if ! "build/fuzz/bin/$t" "$corpus" "$seeds" -max_total_time="$seconds" -rss_limit_mb=3072 \
       -max_len=65536 -timeout=30 -print_final_stats=1 -artifact_prefix="$here/build/fuzz/findings/$t-" \
       2> "$work/$t.log"; then
    status=1
    tail -n 60 "$work/$t.log"
  else
    grep -E "^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "$work/$t.log" || true
  fi
done
exit $status
