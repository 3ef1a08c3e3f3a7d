#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh           debug build (preset dev)
#   ./test.sh asan      the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   ./test.sh all       both
# The last line is "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")"

scripts/deps.sh || { echo "dependency installation failed"; echo "0 passed, 1 failed"; exit 1; }

presets=("${1:-dev}")
[ "${1:-}" = all ] && presets=(dev asan)

passed=0
failed=0
for preset in "${presets[@]}"; do
  echo "== $preset"
  extra=()
  [ "${CI:-}" = true ] && extra+=(-DKINETRA_WERROR=ON)
  if ! cmake --preset "$preset" "${extra[@]}" >"build-$preset.log" 2>&1 ||
     ! cmake --build --preset "$preset" >>"build-$preset.log" 2>&1; then
    tail -n 60 "build-$preset.log"
    echo "build ($preset) failed"
    failed=$((failed + 1))
    continue
  fi
  rm -f "build-$preset.log"
  log=$(mktemp)
  ctest --preset "$preset" -j2 2>&1 | tee "$log"
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  bad=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
  if [ -z "$total" ]; then
    echo "ctest ($preset) ran no test"
    failed=$((failed + 1))
  else
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  fi
  rm -f "$log"
  # The benchmarks are built with the tests; a short run proves they still work.
  bench="build/$preset/bench/kinetra_bench"
  if [ -x "$bench" ]; then
    "$bench" --benchmark_min_time=0.01 >/dev/null 2>&1 || { echo "benchmark run failed"; failed=$((failed + 1)); }
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
