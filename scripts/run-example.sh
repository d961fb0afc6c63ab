#!/usr/bin/env bash
# Builds Binodal with its example database and calculates the phase diagram of
# the Ag-Cu system into binodal-output/. Installs the Debian packages it needs
# when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}"

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBINODAL_BUILD_TESTS=OFF \
  -DBINODAL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"

echo
echo "Systems of the example database in $build/bin:"
"$build/bin/binodal-cli" systems | sed 's/^/  /'
echo
out=binodal-output/Ag+Cu
"$build/bin/binodal-cli" calc --system Ag+Cu --out "$out"
echo
echo "The phase diagram of Ag-Cu is in $out/diagram.png (and diagram.svg);"
echo "the matrix, boundary points, nodes and special points are beside it."
