#!/usr/bin/env bash
# Builds binodal-cli and the example database, lists the example systems and
# evaluates the Gibbs energy of the Ag-Cu liquid. Installs the Debian packages
# it needs when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/ensure-packages.sh "${BUILD_PACKAGES[@]}"

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBINODAL_BUILD_TESTS=OFF \
  -DBINODAL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build"

# Hayes, Lukas, Effenberg and Petzow (1986), Ag-Cu liquid, with the SGTE unary
# functions of Ag and Cu below their melting points written out.
liquid="(1-X)*(3815.781+109.310587*T-23.8463314*T*LN(T)-0.001790585*T^2-3.98587E-07*T^3\
-12011*T^(-1)-1.0322E-20*T^7)\
+X*(5194.382+120.97516*T-24.112392*T*LN(T)-0.00265684*T^2+1.29223E-07*T^3\
+52478*T^(-1)-5.83932E-21*T^7)\
+8.31441*T*(X*LN(X)+(1-X)*LN(1-X))\
+X*(1-X)*((17534.6-4.45479*T)+(2251.3-2.6733*T)*(1-2*X)+492.7*(1-2*X)^2)"

echo "Systems of the example database in $build/bin:"
"$build/bin/binodal-cli" systems | sed 's/^/  /'
echo
echo "Gibbs energy of the Ag-Cu liquid (J/mol) at T = 1000 K:"
for x in 0.1 0.4 0.7; do
  printf '  x(Cu) = %s  G = %s\n' "$x" "$("$build/bin/binodal-cli" eval "$liquid" T=1000 X="$x")"
done
echo "Compiled operations of the expression:"
"$build/bin/binodal-cli" eval --ops "$liquid" T=1000 X=0.4 | head -n -1 | wc -l
