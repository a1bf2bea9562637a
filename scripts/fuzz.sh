#!/usr/bin/env bash
# Builds a libFuzzer target with clang (in build-fuzz/) and runs it with its seeds and dictionary.
#   scripts/fuzz.sh [target] [seconds]     default: gif_decoder_fuzzer for 60 s
# Findings are written to build-fuzz/findings/<target>/; the grown corpus stays in build-fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."

target="${1:-gif_decoder_fuzzer}"
seconds="${2:-60}"

bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON \
    -DCORVANE_BUILD_GUI=OFF >/dev/null

seeds=()
deps=()
dict=""
extra=()
case "$target" in
  gif_decoder_fuzzer) seeds=(build-fuzz/fixtures/gif); dict=fuzz/gif.dict; deps=(gif_fixtures) ;;
  lang_file_fuzzer) seeds=(build-fuzz/resources/lang); dict=fuzz/lang.dict; deps=(corvane_languages) ;;
  zip_archive_fuzzer) ;;
  zip_tree_fuzzer) extra=(-max_len=8192) ;;
  page_scanner_fuzzer) extra=(-max_len=4096) ;;
  reg_file_fuzzer) seeds=(build-fuzz/seeds/reg); mkdir -p "${seeds[0]}"; cp resources/FTypes.reg "${seeds[0]}/" ;;
  ini_file_fuzzer | queue_file_fuzzer | report_queue_fuzzer) extra=(-max_len=4096) ;;
  pidl_fuzzer) dict=fuzz/pidl.dict; extra=(-max_len=1024) ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac
cmake --build build-fuzz --target "$target" "${deps[@]}" -j4

corpus="build-fuzz/corpus/$target"
findings="build-fuzz/findings/$target"
mkdir -p "$corpus" "$findings"
export ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2560 ${dict:+-dict="$dict"} \
    -artifact_prefix="$findings/" -print_final_stats=1 "${extra[@]}" "$corpus" "${seeds[@]}"
