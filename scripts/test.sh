#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite against a real PostgreSQL
# (the tests' own throwaway local server, started on demand, with the demo company built once).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build_dir="${TALVEX_BUILD_DIR:-build}"
cd "$build_dir"
# Every statement the tests run is also parsed, written back and parsed again.
export TALVEX_REPARSE=1
# The tests' own throwaway cluster belongs to this build, so that two checkouts on one machine
# (each installing its own schema into its test database) never share it.
export TALVEX_TEST_HOME="${TALVEX_TEST_HOME:-$PWD/test-cluster}"
ctest --output-on-failure -j 2 --timeout 900
