#!/bin/sh
# Installs the library and development components into a scratch prefix, then
# builds examples/convert_workbook.cpp from outside the tree against what was
# installed: through the CMake package, shared and static, and through the
# pkg-config file. Each build must print the same text as tbulxcmd does for
# examples/example.xls.
# Usage: check_library_install.sh BUILD_DIR SOURCE_DIR TBULXCMD WORK_DIR
# CXX, CXXFLAGS and LDFLAGS are used for the example when set.
set -eu
build_dir=$1 source_dir=$2 tbulxcmd=$3 work=$4
prefix=$work/prefix
workbook=$source_dir/examples/example.xls

rm -rf "$work"
mkdir -p "$work"
for component in library development; do
  cmake --install "$build_dir" --prefix "$prefix" --component "$component" >/dev/null
done

echo "== exported symbols"
# The shared library gives other programs the interface of tabulox.h alone.
library=$(find "$prefix" -name 'libtabulox.so.*.*' -type f)
exported=$(nm -DC --defined-only "$library" | awk '$2 != "A"' | cut -d' ' -f3-)
others=$(printf '%s\n' "$exported" | grep -Ev '^tabulox::(Engine::|DateTimeText)' || true)
if [ -n "$others" ] || [ -z "$exported" ]; then
  printf 'FAIL: the shared library exports more than its interface:\n%s\n' "$others" >&2
  exit 1
fi

# Programs built against an earlier 3.x library keep working: every symbol
# it exported is still exported.
printf '%s\n' "$exported" | LC_ALL=C sort -u >"$work/exported.txt"
missing=$(grep -v '^#' "$source_dir/engine/abi-3.0.symbols" | LC_ALL=C comm -23 - "$work/exported.txt")
if [ -n "$missing" ]; then
  printf 'FAIL: the shared library no longer exports:\n%s\n' "$missing" >&2
  exit 1
fi

LC_ALL=C "$tbulxcmd" -c65001 "$workbook" '*' >"$work/expected.txt"
test -s "$work/expected.txt"

# Runs a built example on the workbook and compares its text with tbulxcmd's.
check_output() {
  LC_ALL=C "$@" "$workbook" >"$work/actual.txt"
  if ! cmp "$work/expected.txt" "$work/actual.txt"; then
    echo "FAIL: $* wrote another text than tbulxcmd" >&2
    exit 1
  fi
}

# Whether the program needs libtabulox.so at run time.
needs_shared_library() {
  LC_ALL=C readelf -d "$1" | grep -q 'NEEDED.*\[libtabulox\.so\.'
}

echo "== CMake package, shared library"
cmake -S "$source_dir/examples" -B "$work/cmake-shared" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/cmake-shared"
needs_shared_library "$work/cmake-shared/convert_workbook" || { echo "FAIL: not linked with the shared library" >&2; exit 1; }
check_output "$work/cmake-shared/convert_workbook"

echo "== CMake package, static library"
cmake -S "$source_dir/examples" -B "$work/cmake-static" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DTABULOX_EXAMPLE_STATIC=ON >/dev/null
cmake --build "$work/cmake-static"
if needs_shared_library "$work/cmake-static/convert_workbook"; then
  echo "FAIL: the static build needs the shared library" >&2
  exit 1
fi
check_output "$work/cmake-static/convert_workbook"

echo "== pkg-config"
if command -v pkg-config >/dev/null 2>&1; then
  # The file names the prefix it was configured for; here it is elsewhere.
  pc_dir=$(dirname "$(find "$prefix" -name tabulox.pc)")
  pkg_config() { PKG_CONFIG_PATH=$pc_dir pkg-config --define-variable=prefix="$prefix" "$@" tabulox; }
  flags=$(pkg_config --cflags --libs)
  # shellcheck disable=SC2086 # the flags are words
  ${CXX:-c++} -std=c++20 ${CXXFLAGS:-} "$source_dir/examples/convert_workbook.cpp" \
    -o "$work/pkg-config-example" ${LDFLAGS:-} $flags
  lib_dir=$(pkg_config --variable=libdir)
  (export LD_LIBRARY_PATH="$lib_dir"; check_output "$work/pkg-config-example")
else
  echo "pkg-config not found: not checked"
fi

rm -rf "$work"
echo "OK"
