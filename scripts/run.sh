#!/usr/bin/env bash
# The main job: installs what is missing, builds, sets up the local demo company on first
# use, shows what it holds and starts the web client on this machine (the address to open
# is printed; Ctrl+C stops it). Arguments, when given, are passed to the talvex command
# instead (for example: scripts/run.sh sql "SELECT COUNT(*) AS n FROM THDocument").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build_dir="${TALVEX_BUILD_DIR:-build}"
if [ $# -gt 0 ]; then
  exec "$build_dir/talvex" "$@"
fi
"$build_dir/talvex" sql --format table \
  "SELECT d.DocTypeCode, COUNT(*) AS Documents, SUM(d.Summa) AS Summa, MIN(d.DocumentDate) AS FirstDate, MAX(d.DocumentDate) AS LastDate FROM THDocument d GROUP BY d.DocTypeCode ORDER BY d.DocTypeCode"
# A single-user install on loopback: the browser is the user running this script, no
# password asked (a server for several users: `talvex user add`, then `talvex web` without --user).
exec "$build_dir/talvex" web --user "${TALVEX_USER:-$(id -un | tr -c 'A-Za-z0-9._\n-' '_')}"
