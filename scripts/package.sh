#!/usr/bin/env bash
# Builds the three release libraries (the release-native, release-win32 and release-win64
# presets: Release, no tests) and writes the packages into dist/ (emptied first), each
# holding one folder kelvane-<version>/:
#   kelvane-<version>-windows.zip        in the layout of an NSIS folder (Plugins/<target>/,
#                                        Include/, Docs/kelvane/, Examples/kelvane/) beside
#                                        bin/x86|x64 (the DLLs), include/, lib/x86|x64 (the
#                                        MSVC import libraries), kelvane.def, inno/, python/,
#                                        powershell/, sign-kelvane.sh, LICENSE, CHANGELOG.md
#   kelvane-<version>-linux-x86_64.tar.gz  the install tree of libkelvane.so, with python/ and
#                                        the docs in share/doc/kelvane/
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
# The list of the DLL's exports, as the 32-bit build wrote it from the export list and installed
# it: the package's kelvane.def and the source of its import libraries.
export_def=$stage/install-win32/lib/kelvane.def
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
top=kelvane-$version

# The docs both packages carry: the README (the author's guide) and the pages of docs/, each
# as Markdown and as plain text beside it.
write_docs() {  # $1: the folder
  mkdir -p "$1"
  cp README.md docs/*.md "$1/"
  python3 -B scripts/plain_text.py "$1"/*.md
}

# ---- the Windows zip
windows=$stage/windows/$top
mkdir -p "$windows"/{bin/x86,bin/x64,lib/x86,lib/x64,include,Include,Examples/kelvane,inno,python,powershell}
cp "$stage/install-win32/bin/kelvane.dll" "$windows/bin/x86/"
cp "$stage/install-win64/bin/kelvane.dll" "$windows/bin/x64/"
cp include/kelvane.h "$windows/include/"
cp "$export_def" "$windows/kelvane.def"
# Import libraries in the form MSVC's linker reads (the short import format, as
# `lib /def:kelvane.def` makes it); on x86 their symbols carry the C names' underscore.
declare -A dlltool_machine=([x86]=i386 [x64]=i386:x86-64)
for arch in x86 x64; do
  llvm-dlltool -m "${dlltool_machine[$arch]}" -d "$export_def" -l "$windows/lib/$arch/kelvane.lib"
done
# The NSIS plugin of each target, as installed (stripped), in the folders of an NSIS
# installation: x86-ansi and x86-unicode from the 32-bit build, amd64-unicode from the 64-bit one.
declare -A plugin_build=([x86-ansi]=win32 [x86-unicode]=win32 [amd64-unicode]=win64)
for target in x86-ansi x86-unicode amd64-unicode; do
  mkdir -p "$windows/Plugins/$target"
  cp "$stage/install-${plugin_build[$target]}/share/nsis/Plugins/$target/kelvane_nsis.dll" "$windows/Plugins/$target/"
done
cp examples/nsis/kelvane.nsh "$windows/Include/"
cp examples/nsis/*.nsi examples/nsis/settings.ini "$windows/Examples/kelvane/"
cp examples/inno/kelvane.isi examples/inno/*.iss "$windows/inno/"
cp examples/powershell/kelvane.ps1 "$windows/powershell/"
cp scripts/sign-kelvane.sh "$windows/"
write_docs "$windows/Docs/kelvane"
# The Windows Installer custom actions beside the DLLs, their WiX include and example.
cp "$stage/install-win32/bin/kelvane_msi.dll" "$windows/bin/x86/"
cp "$stage/install-win64/bin/kelvane_msi.dll" "$windows/bin/x64/"
mkdir -p "$windows/Examples/kelvane/msi"
cp examples/msi/kelvane.wxi examples/msi/kelvane-example.wxs examples/msi/settings.ini "$windows/Examples/kelvane/msi/"

# ---- the Linux tarball: the install tree as it is
linux=$stage/linux/$top
mkdir -p "$stage/linux"
cp -a "$stage/install-native" "$linux"
write_docs "$linux/share/doc/kelvane"

# Both: the Python package (pip install python/, offline), the licence and the changes.
for folder in "$windows" "$linux"; do
  mkdir -p "$folder/python"
  cp -r examples/python/pyproject.toml examples/python/kelvane_build.py examples/python/kelvane \
        examples/python/kelvane_example.py examples/python/crypt_string.py "$folder/python/"
  cp LICENSE CHANGELOG.md packaging/README.txt "$folder/"
done
find "$stage" -name __pycache__ -prune -exec rm -rf {} +

SOURCE_DATE_EPOCH=$epoch python3 -B scripts/archive.py "dist/$top-windows.zip" "$stage/windows"
SOURCE_DATE_EPOCH=$epoch python3 -B scripts/archive.py "dist/$top-linux-x86_64.tar.gz" "$stage/linux"
(cd dist && sha256sum "$top-windows.zip" "$top-linux-x86_64.tar.gz" >SHA256SUMS)
echo "package.sh: dist/ for kelvane $version (SOURCE_DATE_EPOCH=$epoch):"
(cd dist && cat SHA256SUMS)
