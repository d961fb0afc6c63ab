#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing.
# Usage: scripts/ensure-packages.sh PACKAGE...
set -u

missing=()
for package in "$@"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing Debian packages: ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    run_as_root=(sudo)
  else
    echo "Binodal needs these Debian packages, and installing them needs root:" >&2
    echo "  ${missing[*]}" >&2
    echo "Install them with: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi

if ! { "${run_as_root[@]}" apt-get update -q &&
       DEBIAN_FRONTEND=noninteractive "${run_as_root[@]}" apt-get install -y -q \
         --no-install-recommends "${missing[@]}"; }; then
  echo >&2
  echo "Could not install the Debian packages Binodal needs:" >&2
  echo "  ${missing[*]}" >&2
  echo "Install them with: apt-get install ${missing[*]}  (then run this command again)" >&2
  exit 1
fi
