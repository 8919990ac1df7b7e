#!/usr/bin/env bash
# Configures and builds into build/ (or $TALVEX_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${TALVEX_BUILD_DIR:-build}"
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
# Paths relative to the checkout, so that other checkouts (CI clones, work trees) share the cache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
# The browser front end: dependencies from the lock file when they are missing or the lock
# changed, then the bundle in web/dist, which the server serves.
if [ ! -d web/node_modules ] || [ ! -f web/node_modules/.package-lock.json ] ||
  [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund --loglevel=error)
fi
(cd web && npm run --silent build >/dev/null)
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)"
