#!/usr/bin/env bash
# Builds the three release libraries (the release-native, release-win32 and release-win64
# presets: Release, no tests) and writes the packages into dist/ (emptied first):
#   kelvane-<version>-windows.zip        both DLLs, the header, the .def, the installer-host
#                                        files and the NSIS plugins, the Python and PowerShell
#                                        declarations
#   kelvane-<version>-linux-x86_64.tar.gz  the install tree of libkelvane.so
#   SHA256SUMS
# Two runs give the same bytes: every time stamp, in the archives and in the DLLs' headers,
# is SOURCE_DATE_EPOCH (default: the last commit's time), and the binaries hold no build path.
# Installs what building needs (`scripts/setup.sh --library`); the archives need python3.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)} ||
  { echo "package.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 1; }
# Not for the builds, whose links would stamp it into the DLLs (an incremental build would
# keep an earlier run's): they link with time stamp 0 (--no-insert-timestamp). The strip at
# install writes the DLLs' header time anew, from SOURCE_DATE_EPOCH, which it is given there.
unset SOURCE_DATE_EPOCH

stage=build/package
rm -rf "$stage" dist
mkdir -p "$stage" dist

# The Linux library as the README's line for building the library alone builds it, then
# both DLLs; each installed stripped into $stage/install-<preset>.
scripts/setup.sh --library && cmake --preset release-native && cmake --build --preset release-native
for preset in win32 win64; do
  cmake --preset "release-$preset"
  cmake --build --preset "release-$preset"
done
for preset in native win32 win64; do
  SOURCE_DATE_EPOCH=$epoch cmake --install "build/release-$preset" --prefix "$root/$stage/install-$preset" --strip >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-native/CMakeCache.txt)

windows=$stage/windows
mkdir -p "$windows"/{x86,x64,include,nsis,python,powershell}
cp "$stage/install-win32/bin/kelvane.dll" "$windows/x86/"
cp "$stage/install-win64/bin/kelvane.dll" "$windows/x64/"
cp include/kelvane.h "$windows/include/"
cp src/exports/kelvane.def "$windows/"
if [ -f examples/inno/kelvane.isi ]; then
  mkdir -p "$windows/inno"
  cp examples/inno/kelvane.isi "$windows/inno/"
fi
cp examples/nsis/*.nsi examples/nsis/settings.ini "$windows/nsis/"
# The NSIS plugin of each target, as installed (stripped), in the folders makensis reads
# (!addplugindir /<target>): x86-ansi and x86-unicode from the 32-bit build, amd64-unicode
# from the 64-bit one.
declare -A plugin_build=([x86-ansi]=win32 [x86-unicode]=win32 [amd64-unicode]=win64)
for target in x86-ansi x86-unicode amd64-unicode; do
  mkdir -p "$windows/nsis/plugins/$target"
  cp "$stage/install-${plugin_build[$target]}/share/nsis/Plugins/$target/kelvane_nsis.dll" \
     "$windows/nsis/plugins/$target/"
done
cp examples/python/kelvane.py "$windows/python/"
cp examples/powershell/kelvane.ps1 "$windows/powershell/"
cp LICENSE CHANGELOG.md packaging/README.txt "$windows/"

SOURCE_DATE_EPOCH=$epoch python3 -B scripts/archive.py "dist/kelvane-$version-windows.zip" "$windows"
SOURCE_DATE_EPOCH=$epoch python3 -B scripts/archive.py "dist/kelvane-$version-linux-x86_64.tar.gz" "$stage/install-native"
(cd dist && sha256sum "kelvane-$version-windows.zip" "kelvane-$version-linux-x86_64.tar.gz" >SHA256SUMS)
echo "package.sh: dist/ for kelvane $version (SOURCE_DATE_EPOCH=$epoch):"
(cd dist && cat SHA256SUMS)
