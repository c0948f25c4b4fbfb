#!/bin/sh
# Compares the output bytes and exit status of two tbulxcmd builds over every
# workbook under a folder, for several code pages. Prints the differing cases
# and exits 1 when there is one. Outputs go to a temporary folder.
#
#   bench/compare_outputs.sh OLD_TBULXCMD NEW_TBULXCMD [FOLDER...]
set -u
old=$1
new=$2
shift 2
[ $# -gt 0 ] || set -- ../shared/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count=0
differ=0
for file in $(find "$@" -type f \( -iname '*.xls' -o -iname '*.xlsx' \) | sort); do
  for cp in 65001 1252 1200 932 0; do
    "$old" -c$cp "$file" '*' > "$work/old" 2> /dev/null
    old_rc=$?
    "$new" -c$cp "$file" '*' > "$work/new" 2> /dev/null
    new_rc=$?
    count=$((count + 1))
    if [ $old_rc -ne $new_rc ] || ! cmp -s "$work/old" "$work/new"; then
      echo "differs: $file code page $cp (status $old_rc -> $new_rc)"
      differ=$((differ + 1))
    fi
  done
done
echo "$count conversions compared, $differ differ"
[ $differ -eq 0 ]
