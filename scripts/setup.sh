#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian machine.
# Does nothing when everything is already there.
#   setup.sh             everything: the libraries, the tests, Wine, the installers, fuzzing
#   setup.sh --library   only what building the libraries needs (the release-* presets)
set -euo pipefail

# What building libkelvane.so and both kelvane.dll needs.
library_packages=(
  cmake ninja-build g++ pkg-config libhivex-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  # the 64-bit DLL (the win64 preset)
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # llvm-dlltool: the package's MSVC import libraries (scripts/package.sh)
  llvm
)

packages=(
  "${library_packages[@]}"
  googletest libgtest-dev libbenchmark-dev
  libssl-dev zlib1g-dev libcrypto++-dev
  libhivex-bin
  wine wine32:i386 wine64
  python3  # the Python example (examples/python, ctypes) runs as a test
  # makensis: the nsis test builds a real installer around the DLL
  nsis
  # wixl: the msi test builds Windows Installer packages around kelvane_msi.dll (msiinfo lists their tables)
  wixl msitools
  # memcheck of the native test programs (scripts/memcheck.sh)
  valgrind
  # the fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the sanitizers, llvm-cov
  clang libclang-rt-14-dev llvm
  # the package's MSVC-form program (lld-link), its signing script (osslsigncode, openssl
  # for the test's certificate) and the install of its Python package (venv)
  lld osslsigncode openssl python3-venv
)

library_only=false
[ "${1:-}" = --library ] && library_only=true
if $library_only; then
  packages=("${library_packages[@]}")
fi

missing=()
# npm fetches Inno Setup's compiler (below). Asked by command: a Node.js from another
# source that already brings npm conflicts with Debian's npm package.
$library_only || command -v npm >/dev/null || missing+=(nodejs npm)
# Wine's 32-bit half is an i386 package; the library alone needs no foreign architecture.
have_i386=$(dpkg --print-foreign-architectures | grep -c '^i386$' || true)
$library_only && have_i386=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

install_missing_packages() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  [ "$have_i386" -gt 0 ] || $sudo dpkg --add-architecture i386
  # An unreachable extra source makes update complain; the install below still decides.
  $sudo apt-get update -qq || echo "setup: apt-get update reported errors; installing anyway" >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Inno Setup's compiler for the inno test (it runs under Wine), once into its cache folder.
fetch_innosetup() {
  source "$(dirname "$0")/innosetup.sh"
  [ -f "$INNOSETUP_ISCC" ] && return
  local unpacking="$INNOSETUP_DIR.partial"
  rm -rf "$unpacking"
  mkdir -p "$unpacking"
  (cd "$unpacking" && npm pack --silent "$INNOSETUP_PACKAGE" >/dev/null && tar -xzf ./*.tgz && rm ./*.tgz)
  rm -rf "$INNOSETUP_DIR"
  mv "$unpacking" "$INNOSETUP_DIR"
}

if [ "${#missing[@]}" -gt 0 ] || [ "$have_i386" -eq 0 ]; then
  install_missing_packages
fi
$library_only || fetch_innosetup
