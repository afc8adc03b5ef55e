#!/usr/bin/env bash
# Validates AppStream metadata offline, as software centres read it. Exits 77 (a skip for ctest)
# when appstreamcli is missing. Usage: scripts/validate-metainfo.sh FILE...
set -euo pipefail
if ! command -v appstreamcli >/dev/null; then
  echo "appstreamcli is not installed (scripts/setup-debian.sh installs it); skipped"
  exit 77
fi
exec appstreamcli validate --no-net "$@"
