#!/usr/bin/env bash
# Installs the wirelark package as a user would, runs wirelark-cli from it, removes it again and
# checks that none of its files is left. The package comes from scripts/package-debian.sh on a
# finished build. Usage: scripts/check-package-install.sh [BUILD_DIR] (default: build).
set -euo pipefail
build=$(realpath "${1:-build}")
cd "$(dirname "$0")/.."

fail() {
  echo "package install check FAILED: $*" >&2
  exit 1
}

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
# What dpkg knows of the package: empty or "not-installed" when nothing of it is on the system.
package_status() {
  dpkg-query -W -f='${db:Status-Status}' wirelark 2>/dev/null || true
}
present() {
  local status
  status=$(package_status)
  [ -n "$status" ] && [ "$status" != not-installed ]
}
if present; then
  fail "a wirelark package is installed already ($(package_status)); this check would remove it"
fi

log=$(mktemp)
if ! ./scripts/package-debian.sh "$build" >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  fail "building or checking the packages (scripts/package-debian.sh, above)"
fi
rm -f "$log"
deb=$(find "$build/packages" -maxdepth 1 -name 'wirelark_*.deb' | head -n1)
[ -n "$deb" ] || fail "no wirelark package in $build/packages"

echo "== installing $(basename "$deb")"
# Armed before the install, so that a failure half way still takes the package off the system.
removed=false
remove() {
  if ! $removed && present; then
    "${sudo[@]}" dpkg --purge wirelark >/dev/null || true
  fi
  removed=true
}
trap remove EXIT
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
  "$deb" >/dev/null || fail "apt-get could not install $deb"
files=$(dpkg-query -L wirelark)

[ "$(command -v wirelark-cli)" = /usr/bin/wirelark-cli ] || fail "wirelark-cli is not /usr/bin's"
wirelark-cli list >/dev/null || fail "wirelark-cli list"
wirelark-cli list --json | python3 -m json.tool >/dev/null || fail "wirelark-cli list --json"
# Every command but list runs in the full program, which wirelark-cli finds in libexec.
[[ "$(wirelark-cli --help)" == *watch-config* ]] ||
  fail "wirelark-cli --help (handed to /usr/libexec/wirelark/wirelark-cli-full)"
bash --norc -c 'source /usr/share/bash-completion/completions/wirelark-cli &&
  complete -p wirelark-cli' >/dev/null || fail "the bash completion does not load"
if command -v man >/dev/null; then
  [ "$(man -w wirelark-cli)" = /usr/share/man/man1/wirelark-cli.1.gz ] ||
    fail "man does not find wirelark-cli(1)"
fi

echo "== removing it"
remove
if present; then
  fail "dpkg still lists wirelark ($(package_status))"
fi
left=()
while IFS= read -r path; do
  # Folders other packages share stay; every file and link of the package must go.
  if [ -e "$path" ] && [ ! -d "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <<<"$files"
[ ! -e /usr/share/doc/wirelark ] || left+=(/usr/share/doc/wirelark)
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
echo "== the wirelark package installs, runs and removes cleanly"
