#!/bin/sh
# Renders a manual page as man does and fails on any warning (groff -ww).
# Exits with 77 (a skipped test) where groff is not installed.
set -eu
command -v groff >/dev/null 2>&1 || { echo "groff not found"; exit 77; }
warnings=$(groff -man -ww -z -t "$1" 2>&1)
if [ -n "$warnings" ]; then
  printf '%s\n' "$warnings"
  exit 1
fi
