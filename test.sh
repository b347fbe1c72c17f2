#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test.
#   ./test.sh          the normal build (build/default)
#   ./test.sh asan     the same tests under AddressSanitizer + UBSan (build/asan)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
preset="${1:-default}"
"$here/scripts/install-deps.sh"
cd "$here"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -- -j2
ctest --preset "$preset" -j2
