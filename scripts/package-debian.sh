#!/usr/bin/env bash
# Builds the two Debian packages from a finished build, checks that each holds its files, and
# runs lintian on them. Usage: scripts/package-debian.sh [BUILD_DIR] (default: build).
set -euo pipefail

build=$(realpath "${1:-build}")
out="$build/packages"
rm -rf "$out"
mkdir -p "$out"
# The helper's unit and activation files name it by its installed path, fixed when configuring.
if ! grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt"; then
  cmake -DCMAKE_INSTALL_PREFIX=/usr "$build" >/dev/null
  cmake --build "$build" -j2 >/dev/null
fi
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)

# package name, then the paths it must hold
expected=(
  "wirelark ./usr/bin/wirelark ./usr/bin/wirelark-cli ./usr/libexec/wirelark/wirelark-cli-full
   ./usr/share/applications/wirelark.desktop
   ./usr/share/icons/hicolor/scalable/apps/wirelark.svg
   ./usr/share/metainfo/com.quillfern.Wirelark.metainfo.xml ./usr/share/man/man1/wirelark-cli.1.gz
   ./usr/share/man/man1/wirelark.1.gz
   ./usr/share/bash-completion/completions/wirelark-cli"
  "wirelark-admin-helper ./usr/bin/wirelark-admin ./usr/share/applications/wirelark-admin.desktop
   ./usr/share/man/man1/wirelark-admin.1.gz
   ./usr/libexec/wirelark-admin-helper ./usr/share/dbus-1/system.d/wirelark-admin-helper.conf
   ./usr/lib/systemd/system/wirelark-admin-helper.service
   ./usr/share/polkit-1/actions/com.quillfern.Wirelark.admin.policy"
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
