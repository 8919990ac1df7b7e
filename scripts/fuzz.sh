#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz/ (or $TALVEX_FUZZ_BUILD_DIR)
# and runs each for the given number of seconds (default 60), one after the other. Inputs that
# found new code are kept in <build>/corpus/<target>; a crash, a sanitizer report or a hang
# leaves its input in <build>/findings/ and makes the script exit non-zero.
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build_dir="${TALVEX_FUZZ_BUILD_DIR:-build-fuzz}"
targets=(fuzz_tsql fuzz_web_message)

# The project's packages, and clang with its libFuzzer runtime from Debian.
scripts/setup.sh clang libclang-rt-14-dev

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
if [ ! -f "$build_dir/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALVEX_FUZZ=ON -DTALVEX_TESTS=OFF -DTALVEX_BENCH=OFF >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  corpus="$build_dir/corpus/$target"
  mkdir -p "$corpus" "$build_dir/findings"
  echo "== $target: $seconds s"
  # New inputs go to the first folder; the checked-in seeds are read but never written.
  if ! "$build_dir/tests/fuzz/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
    -dict="tests/fuzz/$target.dict" -artifact_prefix="$build_dir/findings/$target-" \
    "$corpus" "tests/fuzz/corpus/$target"; then
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings of ${failed[*]} in $build_dir/findings/" >&2
  exit 1
fi
