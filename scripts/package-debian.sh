#!/usr/bin/env bash
# Builds the two Debian packages from a finished build, checks that each holds its files, and
# runs lintian on them. Usage: scripts/package-debian.sh [BUILD_DIR] (default: build).
set -euo pipefail

build=$(realpath "${1:-build}")
out="$build/packages"
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)

# package name, then the paths it must hold
expected=(
  "wirelark ./usr/bin/wirelark ./usr/bin/wirelark-cli ./usr/share/applications/wirelark.desktop
   ./usr/share/icons/hicolor/scalable/apps/wirelark.svg"
  "wirelark-admin-helper ./usr/bin/wirelark-admin ./usr/share/applications/wirelark-admin.desktop"
)

status=0
for entry in "${expected[@]}"; do
  read -r name paths <<<"$(echo $entry)"
  deb=$(find "$out" -maxdepth 1 -name "${name}_*.deb" | head -n1)
  if [ -z "$deb" ]; then
    echo "missing package: $name" >&2
    status=1
    continue
  fi
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for path in $paths; do
    if ! grep -qxF "$path" <<<"$contents"; then
      echo "$name lacks $path" >&2
      status=1
    fi
  done
  echo "== $(basename "$deb")"
  echo "$contents"
  if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" || status=1
  else
    echo "lintian is not installed (scripts/setup-debian.sh installs it)" >&2
    status=1
  fi
done
exit $status
