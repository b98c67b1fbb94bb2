#!/usr/bin/env bash
# Installs what is missing, then builds and tests Vantel three times: the default build,
# the AddressSanitizer+UndefinedBehaviorSanitizer build (with the fuzz targets) and the
# ThreadSanitizer build of the threaded core. Exits nonzero if any step fails.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
status=0
summary=()

for preset in default asan tsan; do
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" -DVANTEL_WERROR=ON >/dev/null ||
     ! cmake --build --preset "$preset" -j "$jobs"; then
    summary+=("$preset: BUILD FAILED")
    status=1
    continue
  fi
  echo "=== $preset: test"
  log="build/$preset/ctest-summary.txt"
  ctest --preset "$preset" -j "$jobs" --timeout 900 | tee "$log"
  rc=${PIPESTATUS[0]}
  [ "$rc" -eq 0 ] || status=1
  summary+=("$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
done

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $status
