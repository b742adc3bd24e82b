#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; then the sanitizer build and the fuzzers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The Windows build, which the Wine tests among the rest compare with the Linux program.
bash scripts/windows.sh
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# The time bound of the largest GIF is measured in processor time, which other tests running on
# the same cores inflate: it runs alone, after the rest.
serial=LargestGifConvertsWithinTimeBound
ctest --test-dir build --output-on-failure -j"$(nproc)" -E "$serial" | tee "$logs/release.txt"
ctest --test-dir build --output-on-failure -R "$serial" | tee "$logs/release-serial.txt"

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer (without the window
# program and the benchmark), then a short run of each fuzz target. Any finding fails the script.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIX_SANITIZE=ON \
  -DVORLIX_BUILD_WINDOW=OFF -DVORLIX_BUILD_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E "$serial" | tee "$logs/sanitized.txt"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -R "$serial" | tee "$logs/sanitized-serial.txt"
for target in gif layout decoder settings; do
  bash scripts/fuzz.sh "$target" "${VORLIX_FUZZ_SECONDS:-60}"
done

# One closing line for both test runs (the fuzz runs above have already passed or stopped us).
count() { grep -E "$1" "$logs"/*.txt | wc -l; }
echo "vorlix tests: $(count 'Test +#[0-9]+: .* Passed') passed, $(count 'Test +#[0-9]+: .*\*\*\*(Failed|Timeout|Exception)') failed, $(count 'Test +#[0-9]+: .*\*\*\*Skipped') skipped"
