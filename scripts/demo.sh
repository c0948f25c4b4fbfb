#!/usr/bin/env bash
# Installs what is missing, builds, and converts the bundled example workbook to
# standard output.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target tbulxcmd
./build/release/cli/tbulxcmd examples/example.xls '*'
