#!/usr/bin/env bash
# Runs each fuzz harness of the fuzz build for a while, one process each, and
# prints its executions.
#   fuzz/run.sh SECONDS [HARNESS...]      (default: every harness)
# Works in build/fuzz: corpus/<harness> collects new inputs (seeded from
# ../shared/corpus/ where present and fuzz/seeds/), artifacts/<harness> gets
# crashing inputs. Exits non-zero when a harness found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [HARNESS...]}
shift
build=build/fuzz
corpus_root=../shared/corpus
if [ $# -gt 0 ]; then
  harnesses=("$@")
else
  harnesses=()
  for f in "$build"/fuzz/fuzz_*; do [ -x "$f" ] && harnesses+=("${f##*/fuzz_}"); done
fi

seed_dirs() {
  case "$1" in
    xls_workbook)
      [ -d "$corpus_root/xls" ] && echo "$corpus_root/xls"
      echo examples
      echo fuzz/seeds/xls_workbook ;;
    shared_strings)
      if [ -d "$corpus_root/xls" ]; then
        "$build/fuzz/extract_sst_seeds" "$corpus_root/xls" "$build/seeds/shared_strings" >/dev/null
        echo "$build/seeds/shared_strings"
      fi ;;
    zip_reader) [ -d "$corpus_root/xlsx" ] && echo "$corpus_root/xlsx" ;;
    xlsx_workbook)
      [ -d "$corpus_root/xlsx" ] && echo "$corpus_root/xlsx"
      echo fuzz/seeds/xlsx_workbook ;;
    xlsb_workbook)
      [ -d "$corpus_root/xlsb" ] && echo "$corpus_root/xlsb"
      echo fuzz/seeds/xlsb_workbook ;;
    ods_workbook)
      [ -d "$corpus_root/ods" ] && echo "$corpus_root/ods"
      [ -d "$corpus_root/fods" ] && echo "$corpus_root/fods"
      echo fuzz/seeds/ods_workbook ;;
    xml_reader) [ -d fuzz/seeds/xml_reader ] && echo fuzz/seeds/xml_reader ;;
    number_format) echo fuzz/seeds/number_format ;;
  esac
  return 0
}

status=0
for h in "${harnesses[@]}"; do
  mkdir -p "$build/corpus/$h" "$build/artifacts/$h"
  mapfile -t seeds < <(seed_dirs "$h")
  log="$build/artifacts/$h/last-run.log"
  echo "== fuzz_$h for ${seconds}s"
  if ! timeout $((seconds + 120)) "$build/fuzz/fuzz_$h" \
      -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$h/" "$build/corpus/$h" "${seeds[@]}" >"$log" 2>&1; then
    status=1
    echo "fuzz_$h found a fault:"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
done
exit $status
