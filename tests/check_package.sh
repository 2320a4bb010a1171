#!/usr/bin/env bash
# Checks what scripts/package.sh wrote: SHA256SUMS holds both archives and their sums;
# each archive unpacks into an empty folder with exactly the files it should hold; the
# zip's DLLs and NSIS plugins have their pointer size, exports, system imports only, version
# resource and size limit; the consumer builds and runs from the unpacked Linux tree alone.
#   check_package.sh DIST WORK VERSION DEF LIMIT_KIB_32 LIMIT_KIB_64 C_COMPILER GENERATOR
#                    PLUGIN_DEF PLUGIN_LIMIT_KIB_32 PLUGIN_LIMIT_KIB_64
# Exits 77 (skipped) when there is no package to check.
set -euo pipefail
dist=$1 work=$2 version=$3 def=$4 limit_32=$5 limit_64=$6 cc=$7 generator=$8
plugin_def=$9 plugin_limit_32=${10} plugin_limit_64=${11}
here=$(cd "$(dirname "$0")" && pwd)
zip=kelvane-$version-windows.zip
tarball=kelvane-$version-linux-x86_64.tar.gz

fail() { echo "FAIL: $*"; exit 1; }
[ -f "$dist/SHA256SUMS" ] || { echo "no $dist/SHA256SUMS: run scripts/package.sh first"; exit 77; }

echo "SHA256SUMS:"
[ "$(awk '{print $2}' "$dist/SHA256SUMS" | sort)" = "$(printf '%s\n' "$tarball" "$zip" | sort)" ] ||
  fail "SHA256SUMS does not list exactly $zip and $tarball"
(cd "$dist" && sha256sum --check SHA256SUMS) || fail "a checksum differs"

rm -rf "$work"
mkdir -p "$work/windows" "$work/linux"
python3 -B -m zipfile -e "$dist/$zip" "$work/windows"
tar -xzf "$dist/$tarball" -C "$work/linux"

# The zip: these files always, the Inno Setup include where the checkout has it.
declare -A plugin_bits=([x86-ansi]=32 [x86-unicode]=32 [amd64-unicode]=64)
windows_files=(CHANGELOG.md LICENSE README.txt include/kelvane.h kelvane.def
               nsis/kelvane-calls.nsi nsis/kelvane-example.nsi nsis/kelvane-plugin-example.nsi nsis/settings.ini
               nsis/plugins/{x86-ansi,x86-unicode,amd64-unicode}/kelvane_nsis.dll
               powershell/kelvane.ps1 python/kelvane.py x64/kelvane.dll x86/kelvane.dll)
windows_optional='^inno/kelvane\.isi$'
listing=$(cd "$work/windows" && find . -type f | sed 's|^\./||' | sort)
echo "$zip:"; sed 's/^/  /' <<<"$listing"
for file in "${windows_files[@]}"; do
  grep -qxF "$file" <<<"$listing" || fail "$zip lacks $file"
done
extra=$(grep -vxF -f <(printf '%s\n' "${windows_files[@]}") <<<"$listing" | grep -vE "$windows_optional" || true)
[ -z "$extra" ] || fail "$zip holds what it should not: $extra"

declare -A folder_of=([32]=x86 [64]=x64) objdump_of=([32]=i686-w64-mingw32 [64]=x86_64-w64-mingw32)
declare -A limit_of=([32]=$limit_32 [64]=$limit_64)
for bits in 32 64; do
  dll=$work/windows/${folder_of[$bits]}/kelvane.dll
  bash "$here/check_exports.sh" win32 "$dll" "$def" "${objdump_of[$bits]}-objdump" "$bits" "$version"
  bash "$here/check_size.sh" "$dll" "${objdump_of[$bits]}-strip" "${limit_of[$bits]}"
done
declare -A plugin_limit_of=([32]=$plugin_limit_32 [64]=$plugin_limit_64)
for target in "${!plugin_bits[@]}"; do
  bits=${plugin_bits[$target]}
  plugin=$work/windows/nsis/plugins/$target/kelvane_nsis.dll
  bash "$here/check_exports.sh" win32 "$plugin" "$plugin_def" "${objdump_of[$bits]}-objdump" "$bits" "$version"
  bash "$here/check_size.sh" "$plugin" "${objdump_of[$bits]}-strip" "${plugin_limit_of[$bits]}"
done

# The tarball is an installed tree: the install check takes it as it is.
bash "$here/consumer/check_install.sh" linux "$work/linux" "$work/consumer" lib "$cc" "$generator"
