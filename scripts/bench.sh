#!/usr/bin/env bash
# Builds and runs every benchmark (64-bit .so build natively, 32-bit and 64-bit DLL builds
# under Wine, each in its own prefix),
# times the file calls on a 256 MiB file against a synced copy of it (and against `openssl enc`),
# and prints the ratio tables: first the engine's goals, then the details.
# Usage: scripts/bench.sh [--quick]    (--quick: shorter runs, for a smoke test)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
# What only the benchmarks use: GNU time for peak memory, Python for the table.
[ -x /usr/bin/time ] && command -v python3 >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends time python3 >/dev/null
min_time=0.3 repetitions=9 file_rounds=9
[ "${1:-}" = "--quick" ] && min_time=0.05 repetitions=1 file_rounds=1
gbench_flags=(--benchmark_min_time="$min_time" --benchmark_repetitions="$repetitions"
  --benchmark_report_aggregates_only=true --benchmark_out_format=json
  --benchmark_enable_random_interleaving=true)
out=build/bench-results
mkdir -p "$out"

# --- Google Benchmark sources for the Windows build (Debian's source package). apt reads
# them through a package list of its own under build/apt-src: the system's package sources
# and lists stay as they are. The one change this script makes to the system is the
# apt-get install above.
gbench=build/gbench-src
if [ ! -f "$gbench/CMakeLists.txt" ]; then
  apt_dir=$PWD/build/apt-src
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
  echo 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main' \
    > "$apt_dir/sources.list"
  private_apt=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/parts"
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root)
  apt-get "${private_apt[@]}" update -qq
  rm -rf build/gbench-download && mkdir -p build/gbench-download
  (cd build/gbench-download && apt-get "${private_apt[@]}" source -qq --download-only benchmark >/dev/null 2>&1)
  mkdir -p "$gbench"
  tar xzf build/gbench-download/benchmark_*.orig.tar.gz -C "$gbench" --strip-components=1
fi

# --- native: ours and the references in one process
cmake --preset native-bench >/dev/null
cmake --build --preset native-bench >/dev/null
build/native-bench/bin/kelvane_bench "${gbench_flags[@]}" --benchmark_out="$out/native.json" >/dev/null

# --- The Windows builds run under Wine, each in the prefix of its pointer size (wine_use),
# whose wineserver is started here; both end with the script.
source scripts/wine-env.sh
declare -A prefix_of
for dll in win32 win64; do
  wine_use $dll
  prefix_of[$dll]=$WINEPREFIX
done
trap 'for dll in win32 win64; do wine_use $dll; wine_stop; done' EXIT
# `in_prefix DLL COMMAND...` runs a command in the prefix of the win32 or win64 build.
in_prefix() { env WINEPREFIX="${prefix_of[$1]}" WINEARCH="$1" "${@:2}"; }

# --- 32-bit DLL build under Wine
cmake --preset win32-bench -DKELVANE_GBENCH_SOURCE="$PWD/$gbench" >/dev/null
cmake --build --preset win32-bench >/dev/null
wine_use win32
wine_start
wine build/win32-bench/bin/kelvane_bench.exe "${gbench_flags[@]}" \
  --benchmark_out="$(winepath -w "$out/win32.json" 2>/dev/null)" >/dev/null

# --- 64-bit DLL build under 64-bit Wine
cmake --preset win64-bench -DKELVANE_GBENCH_SOURCE="$PWD/$gbench" >/dev/null
cmake --build --preset win64-bench >/dev/null
wine_use win64
wine_start
in_prefix win64 wine build/win64-bench/bin/kelvane_bench.exe "${gbench_flags[@]}" \
  --benchmark_out="$(in_prefix win64 winepath -w "$out/win64.json" 2>/dev/null)" >/dev/null

# --- The engine and cryptString once more on each lower instruction set (the runs above take the widest)
path_filter='BM_cipherBuffer/alg:[012]|BM_cryptString/16777216'
path_tables=("widest=$out/native.json,$out/win32.json,$out/win64.json")
for path in avx2 sse2 scalar; do
  KELVANE_CIPHER_PATH=$path build/native-bench/bin/kelvane_bench "${gbench_flags[@]}" \
    --benchmark_filter="$path_filter" --benchmark_out="$out/native-$path.json" >/dev/null
  for dll in win32 win64; do
    KELVANE_CIPHER_PATH=$path in_prefix $dll wine build/$dll-bench/bin/kelvane_bench.exe "${gbench_flags[@]}" \
      --benchmark_filter="$path_filter" \
      --benchmark_out="$(in_prefix $dll winepath -w "$out/$dll-$path.json" 2>/dev/null)" >/dev/null
  done
  path_tables+=("$path=$out/native-$path.json,$out/win32-$path.json,$out/win64-$path.json")
done

# --- The file calls on a 256 MiB file of random bytes, wall time and peak memory, in rounds
# (the disk's speed wanders more than the processor's; the table takes the median of each
# round's ratio). Every round times a synced copy of the file (dd conv=fsync) beside
# cryptFile with one link, decryptFile of its container, and cryptFile with a second hard
# link, which makes the rewrite go in place with a copy kept aside. Each call starts on a
# quiet disk: its file written out and the blocks of a file deleted before it discarded
# (sync), so that no call pays for the one before it.
# Lines of file.txt: label round seconds peak_kib.
file="$out/file-256MiB.bin"
make_file() { head -c $((256 << 20)) /dev/urandom > "$file"; sync; }
time_command() {  # $1 label, $2 round, rest: command; prints "label round seconds peak_kib"
  local label=$1 round=$2 start end; shift 2
  # The wall time to the microsecond (time's own is in hundredths), its peak memory from time.
  start=$(date +%s%N)
  /usr/bin/time -f "%M" -o "$out/time.txt" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$label $round $(awk -v ns=$((end - start)) 'BEGIN { printf "%.6f", ns / 1e9 }') $(cat "$out/time.txt")"
  sync
}
host=(build/native-bench/bin/kelvane --lib build/native-bench/bin/libkelvane.so)
{
  for round in $(seq 1 "$file_rounds"); do
    make_file
    time_command copy "$round" dd if="$file" of="$file.copy" bs=1M conv=fsync status=none
    rm -f "$file.copy"
    sync
    time_command file_native "$round" "${host[@]}" cryptFile "$file"
    time_command decrypt_native "$round" "${host[@]}" decryptFile "$file"
    make_file
    ln "$file" "$file.link"
    time_command file_two_links "$round" "${host[@]}" cryptFile "$file"
    rm -f "$file.link"
    sync
  done
  for dll in win32 win64; do
    make_file
    for call in cryptFile decryptFile; do
      label=file; [ $call = cryptFile ] || label=decrypt
      time_command "${label}_$dll" 1 env WINEPREFIX="${prefix_of[$dll]}" WINEARCH=$dll wine build/$dll-bench/bin/kelvane.exe \
        $call "$(in_prefix $dll winepath -w "$file" 2>/dev/null)"
    done
  done
  make_file
  time_command file_openssl 1 openssl enc -des-ecb -nopad -provider legacy -provider default \
    -K 133457799BBCDFF1 -in "$file" -out "$file.enc"
} > "$out/file.txt"
rm -f "$file" "$file.enc" "$file.copy" "$file.link"

python3 bench/ratio_table.py "$out/native.json" "$out/win32.json" "$out/win64.json" "$out/file.txt" "${path_tables[@]}"
