#!/usr/bin/env bash
# Builds the benchmarks of the default preset, runs each and prints one report: every figure
# with its limit from bench/limits.txt, the figures without a limit, and a last line saying
# whether all limited figures are within their limits. Exit status 0 only then.
#   bash scripts/bench-report.sh [build-dir]      (default: build/default)
# BENCH_TIMEOUT (seconds, default 900) ends a benchmark that hangs; what it printed is kept.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
benches=(bench_settings bench_link bench_salvo bench_hub bench_gui)
# bench_gui starts the application and the simulator as processes of the same build.
runtime=(vantel vantel-sim)
limits=bench/limits.txt

if [ "$build" = build/default ]; then
  cmake --preset default >/dev/null || exit 1
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
fi
cmake --build "$build" -j "$(nproc)" --target "${benches[@]}" "${runtime[@]}" >/dev/null || {
  echo "bench-report: build failed" >&2
  exit 1
}

figures=$(mktemp)
trap 'rm -f "$figures" "$figures.out"' EXIT
export QT_QPA_PLATFORM=offscreen
for bench in "${benches[@]}"; do
  exe=$(find "$build/bench" -maxdepth 1 -type f -name "$bench" | head -n 1)
  if [ -z "$exe" ]; then
    echo "bench-report: $bench was not built" >&2
    echo "$bench: MISSING" >>"$figures"
    continue
  fi
  # Every line "name: value [unit]" of the benchmark is a figure; line-buffered, so the
  # figures printed before a hang or a crash still count.
  timeout "${BENCH_TIMEOUT:-900}" stdbuf -oL "$exe" >"$figures.out"
  rc=$?
  grep -E '^[a-z0-9_]+: ' "$figures.out" >>"$figures"
  [ "$rc" -eq 0 ] || echo "$bench: FAILED (exit $rc)" >>"$figures"
done

echo "=== Vantel benchmark report ($(date -u +%Y-%m-%dT%H:%M:%SZ), $(nproc) cores, $(uname -m))"
awk -v limits="$limits" '
  BEGIN {
    while ((getline line < limits) > 0) {
      if (line ~ /^[ \t]*#/ || line ~ /^[ \t]*$/) continue
      split(line, f, /[ \t]+/)
      op[f[1]] = f[2]; limit[f[1]] = f[3]; order[++n] = f[1]
    }
    bad = 0
  }
  /: (MISSING|FAILED)/ { failed[++nf] = $0; bad = 1; next }
  {
    name = $1; sub(/:$/, "", name)
    value[name] = $2; unit[name] = ($3 == "" ? "" : " " $3); seen[++m] = name
  }
  END {
    printf "%-22s %20s   %-10s %s\n", "figure", "value", "limit", "verdict"
    for (i = 1; i <= n; i++) {
      k = order[i]
      if (!(k in value)) { printf "%-22s %20s   %-10s %s\n", k, "-", op[k] " " limit[k], "NOT MEASURED"; bad = 1; continue }
      ok = (op[k] == "<=") ? (value[k] + 0 <= limit[k] + 0) : (value[k] + 0 >= limit[k] + 0)
      if (!ok) bad = 1
      printf "%-22s %20s   %-10s %s\n", k, value[k] unit[k], op[k] " " limit[k], ok ? "ok" : "OVER LIMIT"
    }
    print "--- further figures (no limit of their own)"
    for (i = 1; i <= m; i++) {
      k = seen[i]
      if (!(k in op) && !(k in shown)) { printf "%-22s %20s\n", k, value[k] unit[k]; shown[k] = 1 }
    }
    for (i = 1; i <= nf; i++) print "!!! " failed[i]
    print (bad ? "RESULT: some figures are over their limits or missing" : "RESULT: all figures within their limits")
    exit bad
  }' "$figures"
