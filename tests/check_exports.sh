#!/usr/bin/env bash
# Fails when the .def file and include/kelvane.h name other exports, or the library
# exports any name but those in the .def file (the .so: but the
# wide twins, whose names end in W and which only the DLL has), or (the DLL) imports any
# DLL that is not part of Windows, is not of the build's pointer size, or lacks the
# version resource of VERSION. EXTRA: a system DLL this library may import too (MSI).
#   check_exports.sh PLATFORM LIBRARY DEF [OBJDUMP POINTER_BITS VERSION [EXTRA]]   (the last ones for the DLL)
set -euo pipefail
platform=$1 library=$2 def=$3 objdump=${4:-i686-w64-mingw32-objdump} bits=${5:-32} version=${6:-} extra=${7:-}
expected=$(awk 'f && NF {print $1} /^EXPORTS/ {f=1}' "$def" | sort)

# The .def, written from the export list, names exactly the functions include/kelvane.h
# declares (the plugin: all but freeString, which its callers never need; the MSI actions:
# the narrow ones but freeString).
declared=$(grep -oP 'KELVANE_API .*KELVANE_CALL \K\w+(?=\()' "$(dirname "$0")/../include/kelvane.h" | sort)
case "$(awk '$1 == "LIBRARY" {print $2}' "$def")" in
  kelvane_nsis.dll) declared=$(grep -vx freeString <<<"$declared") ;;
  kelvane_msi.dll) declared=$(grep -vx -e freeString -e '.*W' <<<"$declared") ;;
esac
if [ "$expected" != "$declared" ]; then
  echo "$def and include/kelvane.h name other exports:"
  diff <(echo "$declared") <(echo "$expected") || true
  exit 1
fi

if [ "$platform" = win32 ]; then
  dump=$("$objdump" -p "$library")
  # The optional header's magic: 010b for PE32 (32-bit), 020b for PE32+ (64-bit).
  magic=$(awk '$1 == "Magic" {print $2; exit}' <<<"$dump")
  declare -A magic_of_bits=([32]=010b [64]=020b)
  if [ "$magic" != "${magic_of_bits[$bits]}" ]; then
    echo "a $bits-bit build made a DLL with optional header magic '$magic'"; exit 1
  fi
  actual=$(awk '/\[Ordinal\/Name Pointer\] Table/ {f=1; next} f && /^[ \t]*\[/ {print $NF; next} f {f=0}' <<<"$dump" | sort)
  imports=$(grep 'DLL Name:' <<<"$dump" | awk '{print toupper($3)}' | sort -u)
  # Windows' own DLLs; anything else (libgcc, libstdc++, winpthread) must be linked in.
  allowed="^(KERNEL32|MSVCRT|ADVAPI32|USER32|NTDLL|API-MS-WIN-.*${extra:+|$extra})\\.DLL$"
  bad=$(grep -v -E "$allowed" <<<"$imports" || true)
  if [ -n "$bad" ]; then
    echo "non-system DLLs imported:"; echo "$bad"; exit 1
  fi
  echo "PE magic $magic; imports: $(tr '\n' ' ' <<<"$imports")"
  python3 -B "$(dirname "$0")/check_version_resource.py" "$library" "$version"
else
  expected=$(grep -v 'W$' <<<"$expected")
  actual=$(nm -D --defined-only "$library" | awk '{print $3}' | sort)
fi

if [ "$actual" != "$expected" ]; then
  echo "exports differ from the documented names:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "exports: $(tr '\n' ' ' <<<"$actual")"
