#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test; where clang is installed, also gives every fuzz target a
# short run over its seed corpus first. Installs the Debian packages it needs
# when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/ensure-packages.sh "${TEST_PACKAGES[@]}"

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBINODAL_SANITIZE=ON
cmake --build "$build"

if command -v clang++ >/dev/null 2>&1; then
  fuzz_build=build/fuzz
  seconds=${BINODAL_FUZZ_SECONDS:-20}
  targets=(table_reader expression_compiler exchange_reader row_evaluation)
  CXX=clang++ cmake -S . -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBINODAL_FUZZ=ON -DBINODAL_BUILD_TESTS=OFF -DBINODAL_BUILD_BENCH=OFF
  cmake --build "$fuzz_build" --target "${targets[@]/%/_fuzzer}"
  for target in "${targets[@]}"; do
    scratch=$(mktemp -d)
    echo "Fuzzing $target for $seconds s"
    if ! "$fuzz_build/fuzz/${target}_fuzzer" -max_total_time="$seconds" "$scratch" \
        "fuzz/corpus/$target" >"$scratch.log" 2>&1; then
      tail -n 60 "$scratch.log"
      exit 1
    fi
    rm -rf "$scratch" "$scratch.log"
  done
else
  echo "clang++ not found: the fuzz targets were not run"
fi

ctest --test-dir "$build" --output-on-failure
