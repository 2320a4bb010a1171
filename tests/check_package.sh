#!/usr/bin/env bash
# Checks what scripts/package.sh wrote: SHA256SUMS holds both archives and their sums;
# each archive unpacks into one folder kelvane-<version> with the files it should hold; the
# zip's DLLs and NSIS plugins have their pointer size, exports, system imports only, version
# resource and size limit, and its signing script signs them; the Linux quick start and the
# consumer run from the unpacked Linux tree alone.
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
top=kelvane-$version
for unpacked in "$work/windows" "$work/linux"; do
  [ "$(ls -A "$unpacked")" = "$top" ] || fail "${unpacked##*/} package holds more or less than one folder $top"
done
windows=$work/windows/$top linux=$work/linux/$top

# The zip: an NSIS folder's layout, the DLLs, the import libraries and the hosts' files; the
# docs (the README and the pages of docs/, each as Markdown and plain text) in both packages.
declare -A plugin_bits=([x86-ansi]=32 [x86-unicode]=32 [amd64-unicode]=64)
docs=()
for page in README "$here"/../docs/*.md; do
  page=${page##*/}; docs+=("${page%.md}.md" "${page%.md}.txt")
done
python_files=(python/pyproject.toml python/kelvane_build.py python/kelvane/__init__.py
              python/kelvane_example.py python/crypt_string.py)
windows_files=(CHANGELOG.md LICENSE README.txt sign-kelvane.sh include/kelvane.h kelvane.def
               Include/kelvane.nsh Plugins/{x86-ansi,x86-unicode,amd64-unicode}/kelvane_nsis.dll
               bin/x86/kelvane.dll bin/x64/kelvane.dll lib/x86/kelvane.lib lib/x64/kelvane.lib
               bin/x86/kelvane_msi.dll bin/x64/kelvane_msi.dll
               Examples/kelvane/msi/{kelvane.wxi,kelvane-example.wxs,settings.ini}
               powershell/kelvane.ps1 "${python_files[@]}" "${docs[@]/#/Docs/kelvane/}")
for file in "$here"/../examples/nsis/*.nsi "$here"/../examples/nsis/settings.ini; do windows_files+=("Examples/kelvane/${file##*/}"); done
for file in "$here"/../examples/inno/*; do windows_files+=("inno/${file##*/}"); done
listing=$(cd "$windows" && find . -type f | sed 's|^\./||' | sort)
echo "$zip:"; sed 's/^/  /' <<<"$listing"
for file in "${windows_files[@]}"; do
  grep -qxF "$file" <<<"$listing" || fail "$zip lacks $file"
done
extra=$(grep -vxF -f <(printf '%s\n' "${windows_files[@]}") <<<"$listing" || true)
[ -z "$extra" ] || fail "$zip holds what it should not: $extra"
for file in "${python_files[@]}" "${docs[@]/#/share/doc/kelvane/}"; do
  [ -f "$linux/$file" ] || fail "$tarball lacks $file"
done

declare -A folder_of=([32]=x86 [64]=x64) objdump_of=([32]=i686-w64-mingw32 [64]=x86_64-w64-mingw32)
declare -A limit_of=([32]=$limit_32 [64]=$limit_64)
for bits in 32 64; do
  dll=$windows/bin/${folder_of[$bits]}/kelvane.dll
  bash "$here/check_exports.sh" win32 "$dll" "$def" "${objdump_of[$bits]}-objdump" "$bits" "$version"
  bash "$here/check_size.sh" "$dll" "${objdump_of[$bits]}-strip" "${limit_of[$bits]}"
done
declare -A plugin_limit_of=([32]=$plugin_limit_32 [64]=$plugin_limit_64)
for target in "${!plugin_bits[@]}"; do
  bits=${plugin_bits[$target]}
  plugin=$windows/Plugins/$target/kelvane_nsis.dll
  bash "$here/check_exports.sh" win32 "$plugin" "$plugin_def" "${objdump_of[$bits]}-objdump" "$bits" "$version"
  bash "$here/check_size.sh" "$plugin" "${objdump_of[$bits]}-strip" "${plugin_limit_of[$bits]}"
done

# Include/kelvane.nsh: makensis takes each macro with its arguments and the result's
# variable, and stops on one argument too few (the plugin would pop the caller's stack).
declare -A macro_arguments=([cryptString]=2 [decryptString]=2 [cryptFile]=1 [decryptFile]=1
  [ReadSubKeys]=1 [ReadSubKeysInFile]=2 [ReadSubValues]=0 [ReadKeyValue]=2 [RegDeleteKeyNT]=1 [ComputerName]=0)
nsis_script() {  # the body of a Unicode installer's section -> $work/nsh/macros.nsi
  mkdir -p "$work/nsh"
  printf '%s\n' "!addincludedir \"$windows/Include\"" "!addplugindir /x86-unicode \"$windows/Plugins/x86-unicode\"" \
    'Unicode true' '!include kelvane.nsh' "OutFile \"$work/nsh/macros.exe\"" Section "$@" SectionEnd >"$work/nsh/macros.nsi"
}
calls=()
for command in "${!macro_arguments[@]}"; do
  arguments=""
  for ((i = 1; i <= macro_arguments[$command]; i++)); do arguments+=" \"\$$i\""; done
  calls+=("\${Kelvane_$command}$arguments \$0")
  nsis_script "\${Kelvane_$command}$arguments"
  ! makensis -V1 "$work/nsh/macros.nsi" >/dev/null 2>&1 || fail "kelvane.nsh: Kelvane_$command took one argument too few"
done
nsis_script "${calls[@]}"
makensis -V1 "$work/nsh/macros.nsi" || fail "kelvane.nsh: the macros with their arguments do not compile"
echo "ok    kelvane.nsh: every macro compiles with its arguments and stops makensis with one too few"

# The signing script, on a copy of the zip's binaries, with a certificate made here:
# each signature verifies against it.
signed=$work/signed
mkdir -p "$signed"
cp -r "$windows/bin" "$windows/Plugins" "$signed/"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=kelvane package test" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/signer.key" -out "$work/signer.pem" 2>/dev/null
bash "$windows/sign-kelvane.sh" --cert "$work/signer.pem" --key "$work/signer.key" "$signed"
for file in "$signed"/bin/*/kelvane.dll "$signed"/Plugins/*/kelvane_nsis.dll; do
  osslsigncode verify -CAfile "$work/signer.pem" -in "$file" >/dev/null || fail "the signature of $file does not verify"
done
echo "ok    sign-kelvane.sh: every DLL and plugin signed, each signature verified"

# The tarball is an installed tree: the install check takes it as it is.
bash "$here/consumer/check_install.sh" linux "$linux" "$work/consumer" lib "$cc" "$generator"

# The Linux quick start, run in the unpacked tarball alone: the host, an empty hive filled
# by hivexsh, the Python package installed offline and its example.
bash "$here/readme_commands.sh" "$here/../examples/commands-package-linux.sh" "$linux"
