#!/usr/bin/env bash
# Makes docs/desktop-main-window.png: the main window after converting a small
# example list, drawn on a virtual X display (needs xvfb-run, package xvfb).
# Usage: bash docs/make_screenshot.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target capture_main_window write_example_workbook

scratch=$(mktemp -d /tmp/tabulox-demo.XXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config/Tabulox" "$scratch/Workbooks" "$scratch/Text"
printf '[general]\ntargetdir=%s/Text/\n' "$scratch" > "$scratch/config/Tabulox/Tabulox.dat"
cp examples/example.xls "$scratch/Workbooks/Sales 2025.xls"
cp examples/example.xls "$scratch/Workbooks/Stock.xls"
cp examples/example.xls "$scratch/Workbooks/Regions.XLS"
printf 'not a workbook' > "$scratch/Workbooks/Damaged.xls"
printf 'PK' > "$scratch/Workbooks/Budget.xlsx"

XDG_CONFIG_HOME="$scratch/config" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/tests/desktop/capture_main_window" "$PWD/docs/desktop-main-window.png" \
  "$scratch/Workbooks/Sales 2025.xls" "$scratch/Workbooks/Stock.xls" \
  "$scratch/Workbooks/Regions.XLS" "$scratch/Workbooks/Damaged.xls" "$scratch/Workbooks/Budget.xlsx"
echo "docs/desktop-main-window.png written"
