#!/usr/bin/env bash
# Installs the Debian packages that a job needs, when any is missing. Run as root.
#
#   bash scripts/install_deps.sh [GROUP...]     (default: run)
#
#   run    build the Linux program and make the sample database (README command 1)
#   test   everything scripts/test.sh needs: the above, GoogleTest, mdbtools and Node.js for the
#          independent Jet readers, a virtual display, mingw-w64 and wine, zip and unzip for
#          the Windows archive, the desktop files' validators and gio, Samba and an SMB2
#          client (python3-impacket) for the tests of a shared database
#   bench  Google Benchmark, and the tools that unpack the large test databases
#   fuzz   clang and libFuzzer
#   package  the Debian package's tools (scripts/package.sh): dpkg-shlibdeps, lintian
#   release  everything scripts/release.sh needs: the package's tools, mingw-w64 for the
#            Windows product (and GoogleTest's sources, which its build configures), zip
#   icons  what data/icons/render.sh needs to render the committed icons from the SVG (no
#          build needs it)
#
# Nothing is assumed to be there already: every package a group uses is named here, and each is
# installed without its recommendations, so what is not named is not installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run)

run_packages=(
  build-essential cmake pkg-config git ca-certificates
  libmdb3 mdbtools-dev libseccomp-dev
  libfltk1.3-dev libfontconfig-dev libpng-dev fonts-liberation fontconfig
)
test_packages=(
  libgtest-dev googletest clang-format
  mdbtools xz-utils gzip
  xvfb xauth openbox xdotool x11-utils xclip wmctrl imagemagick
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  zip unzip
  samba python3-impacket
)
bench_packages=(libbenchmark-dev xz-utils gzip mdbtools)
fuzz_packages=(clang libclang-rt-14-dev)
# What CPack needs to compute the package's dependencies (dpkg-shlibdeps from dpkg-dev; file, to
# find the binaries), and lintian to check the package.
package_packages=(dpkg-dev file lintian)
# The Windows product is configured as the tests build it (GoogleTest's sources included), then
# archived with zip.
release_packages=(g++-mingw-w64-i686-posix mingw-w64-i686-dev googletest zip)
# rsvg-convert renders the SVG into PNGs; icotool puts them into the Windows .ico.
icons_packages=(librsvg2-bin icoutils)

packages=()
need_i386=false
for group in "${groups[@]}"; do
  case $group in
    run) packages+=("${run_packages[@]}") ;;
    test)
      packages+=("${run_packages[@]}" "${test_packages[@]}")
      # Node.js runs the independent Jet reader, npm's mdb-reader, which npm installs at test
      # time; a Node.js or npm installed otherwise is used as it is.
      command -v node >/dev/null || packages+=(nodejs)
      command -v npm >/dev/null || packages+=(npm)
      # The manual pages are checked for warnings as groff renders them, and man must find the
      # French one (locales makes the fr_FR.UTF-8 locale the test asks in); the desktop entry
      # and the AppStream metadata with their validators; gio launches the program through its
      # desktop entry; file lets the install test make the Debian package (CPack finds the
      # binaries with it) to install and remove it.
      packages+=(groff-base man-db locales desktop-file-utils appstream libglib2.0-bin file)
      # The Windows tests run the build this machine can execute: the 32-bit product where
      # 32-bit programs run, the 64-bit test build under 64-bit wine where they do not; its
      # ADO reaches SQLite and Jet files through ODBC drivers of the same width.
      if bash "$here/can_run_i386.sh"; then
        need_i386=true
        packages+=(wine wine32:i386 libsqliteodbc:i386 odbc-mdbtools:i386 unixodbc:i386
                   sqlite3)
      else
        packages+=(wine wine64 libsqliteodbc odbc-mdbtools unixodbc sqlite3
                   g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
      fi
      ;;
    bench) packages+=("${run_packages[@]}" "${bench_packages[@]}") ;;
    fuzz) packages+=("${run_packages[@]}" "${fuzz_packages[@]}") ;;
    package) packages+=("${run_packages[@]}" "${package_packages[@]}") ;;
    release) packages+=("${run_packages[@]}" "${package_packages[@]}" "${release_packages[@]}") ;;
    icons) packages+=("${icons_packages[@]}") ;;
    *)
      echo "install_deps.sh: unknown group $group (run, test, bench, fuzz, package, release, icons)" >&2
      exit 2
      ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

echo "installing: ${missing[*]}"
if $need_i386 && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
