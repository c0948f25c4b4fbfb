#!/bin/sh
# Makes the Debian packages of a build with cpack and checks their control
# fields and file lists. Exits with 77 (a skipped test) where cpack, dpkg-deb
# or dpkg-shlibdeps is not installed.
# Usage: check_debian_packages.sh BUILD_DIR WORK_DIR VERSION WITH_DESKTOP(0|1)
set -eu
build_dir=$1 work=$2 version=$3 with_desktop=$4

for tool in cpack dpkg-deb dpkg-shlibdeps dpkg; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool not found"; exit 77; }
done
arch=$(dpkg --print-architecture)

rm -rf "$work"
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work.log" 2>&1 ||
  { cat "$work.log"; exit 1; }
rm -f "$work.log"

fail() { echo "FAIL: $*" >&2; exit 1; }

# The package file of a package name, checked for its name, version and
# architecture.
package_file() {
  deb=$work/$1_${version}_$arch.deb
  [ -f "$deb" ] || fail "no $1_${version}_$arch.deb in: $(ls "$work")"
  [ "$(dpkg-deb -f "$deb" Package)" = "$1" ] || fail "$deb: Package is not $1"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb: Version is not $version"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$deb: Architecture is not $arch"
  [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "$deb: no Maintainer"
  echo "$deb"
}

# Fails unless the package's file list has a line matching each pattern.
has_files() {
  deb=$1
  shift
  listing=$(dpkg-deb -c "$deb")
  for pattern in "$@"; do
    printf '%s\n' "$listing" | grep -Eq " \./$pattern( |\$)" || fail "$deb has no $pattern"
  done
}

# Fails unless the Depends field names each package.
depends_on() {
  deb=$1
  shift
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in "$@"; do
    printf '%s\n' "$depends" | grep -Eq "(^|, )$package( |,|\$)" || fail "$deb does not depend on $package: $depends"
  done
}

console=$(package_file tabulox)
has_files "$console" usr/bin/tbulxcmd usr/share/man/man1/tbulxcmd.1.gz
depends_on "$console" libc6 libstdc\\+\\+6 zlib1g libnettle8
if dpkg-deb -f "$console" Depends | grep -q qt6; then fail "$console depends on Qt"; fi
if dpkg-deb -c "$console" | grep -q libtabulox; then fail "$console holds the library"; fi

library=$(package_file "libtabulox${version%%.*}")
has_files "$library" "usr/lib/(.*/)?libtabulox\.so\.${version%%.*}( -> .*)?" "usr/lib/(.*/)?libtabulox\.so\.$version"
depends_on "$library" libc6 zlib1g libnettle8
dpkg-deb -I "$library" shlibs >/dev/null 2>&1 || fail "$library has no shlibs file"
# The loader's cache is brought up to date after installing and removing it.
{ dpkg-deb -I "$library" triggers 2>/dev/null; dpkg-deb -I "$library" postinst 2>/dev/null; } |
  grep -q ldconfig || fail "$library does not run ldconfig"

development=$(package_file libtabulox-dev)
has_files "$development" usr/include/tabulox/tabulox.h usr/include/tabulox/result_codes.h \
  "usr/lib/(.*/)?libtabulox\.a" "usr/lib/(.*/)?libtabulox\.so -> libtabulox\.so\.${version%%.*}" \
  "usr/lib/(.*/)?cmake/Tabulox/TabuloxConfig\.cmake" "usr/lib/(.*/)?cmake/Tabulox/TabuloxTargets\.cmake" \
  "usr/lib/(.*/)?pkgconfig/tabulox\.pc"
depends_on "$development" "libtabulox${version%%.*} \\(= $version\\)" zlib1g-dev nettle-dev

if [ "$with_desktop" = 1 ]; then
  desktop=$(package_file tabulox-desktop)
  has_files "$desktop" usr/bin/Tabulox usr/share/man/man1/Tabulox.1.gz \
    usr/share/applications/tabulox.desktop usr/share/icons/hicolor/scalable/apps/tabulox.svg \
    usr/share/icons/hicolor/64x64/apps/tabulox.png usr/share/tabulox/help/index.html
  depends_on "$desktop" libqt6widgets6 libqt6core6 qt6-qpa-plugins
  if dpkg-deb -c "$desktop" | grep -q tbulxcmd; then fail "$desktop holds tbulxcmd"; fi
fi

rm -rf "$work"
echo "OK"
