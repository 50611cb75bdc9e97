#!/usr/bin/env bash
# Fuzzes the store file reader with what an open runs after it (replay into the model, the
# model's consistency), the store entry decoder, the paste parser, the CSV reader and the
# XML spreadsheet reader natively with clang's libFuzzer, AddressSanitizer and UBSan, each for
# FUZZ_SECONDS (default 60), and prints how many inputs each executed. New inputs collect in
# fuzz/work/ (not committed); with FUZZ_MINIMIZE=1 the committed corpus fuzz/corpus/<target>/ is
# rebuilt as the -merge=1 minimum of itself and what the run found. A crash stops the script with
# its input kept in fuzz/work/crashes/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
targets=(${FUZZ_TARGETS:-store_log store_payload clipboard_field csv_import xml_import})
out=${BUILD_DIR:-$root/build}/fuzz
work=$root/fuzz/work

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "Installing clang and its sanitizer runtimes"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-dev >/dev/null 2>&1 ||
    $sudo apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null
fi
cxx=$(command -v clang++ || command -v clang++-14)

mkdir -p "$out" "$work/crashes"
store_format=("$root/app/objectstore/log_format.cpp" "$root/app/objectstore/log_reader.cpp"
              "$root/app/objectstore/entry_codec.cpp")
# What an open runs after the reading: replay into the model and its sort keys, in the order of
# the ordinal collation that stands in for the system's.
store_model=("$root/app/objectstore/replay.cpp" "$root/app/objectstore/model.cpp" "$root/app/objectstore/sort_key.cpp"
             "$root/fuzz/ordinal_collation.cpp")
csv_format=("$root/tools/zbstore/object_csv.cpp" "$root/tools/zbstore/text_encoding.cpp"
            "$root/tools/zbstore/table_import.cpp" "$root/tools/zbstore/object_xml.cpp"
            "$root/tools/zbstore/xml_reader.cpp" "$root/tools/zbstore/object_html.cpp")
common=(-std=c++17 -g -O1 -pthread -I"$root/app" -I"$root/fuzz" -I"$root/tools/zbstore" "${store_format[@]}"
        "${store_model[@]}" "${csv_format[@]}"
        "$root/app/shell/clipboard_format.cpp" "$root/fuzz/fuzz_checks.cpp")
sanitize=(-fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
"$cxx" -std=c++17 -O1 -I"$root/app" "$root/fuzz/make_seeds.cpp" "${store_format[@]}" -o "$out/make_seeds"
rm -rf "$work/seeds"
for t in "${targets[@]}"; do mkdir -p "$work/seeds/$t"; done
"$out/make_seeds" "$work/seeds"

total=0
for t in "${targets[@]}"; do
  echo "== $t: building"
  "$cxx" "${common[@]}" "${sanitize[@]}" "$root/fuzz/${t}_fuzz.cpp" -o "$out/$t"
  mkdir -p "$work/corpus/$t" "$root/fuzz/corpus/$t"
  echo "== $t: fuzzing for ${seconds} s"
  log=$work/$t.log
  if ! UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$out/$t" -max_total_time="$seconds" -print_final_stats=1 \
       -max_len=8192 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/crashes/$t-" \
       "$work/corpus/$t" "$root/fuzz/corpus/$t" "$work/seeds/$t" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$t: FAILED, input kept in $work/crashes/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$t: ${runs:-0} inputs executed, no crash"
  total=$((total + ${runs:-0}))
  if [ "${FUZZ_MINIMIZE:-0}" = 1 ]; then
    rm -rf "$work/merged/$t" && mkdir -p "$work/merged/$t"
    # Edges only (no hit counts, no comparison values) keep the committed corpus small; the
    # seeds stay in it whole, so the long and many-kinds inputs are always replayed.
    "$out/$t" -merge=1 -use_counters=0 -use_cmp=0 -use_value_profile=0 "$work/merged/$t" \
      "$root/fuzz/corpus/$t" "$work/corpus/$t" "$work/seeds/$t" >/dev/null 2>&1
    cp -r "$work/seeds/$t"/. "$work/merged/$t"/
    rm -rf "$root/fuzz/corpus/$t" && cp -r "$work/merged/$t" "$root/fuzz/corpus/$t"
    echo "$t: corpus minimized to $(ls "$root/fuzz/corpus/$t" | wc -l) files, $(cat "$root/fuzz/corpus/$t"/* | wc -c) bytes"
  fi
done
echo "fuzz: ${total} inputs executed over ${#targets[@]} targets, no crash"
