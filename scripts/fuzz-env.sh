# Sourced by fuzz.sh and fuzz-coverage.sh: the steps both take before they run the targets.

# Builds the fuzz preset $1 (fuzz or fuzz-coverage); its programs land in build/$1/bin.
fuzz_build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}

# The fuzz targets' names in the folder $1 (fuzz_crypt_file gives crypt_file), one a line.
fuzz_target_names() {
  local program
  for program in "$1"/fuzz_*; do echo "${program##*/fuzz_}"; done
}

# The targets write their files into a folder of their own below TMPDIR; a memory-backed
# one spares the disk the library's fsync calls (about ten times the executions).
fuzz_use_memory_tmpdir() {
  if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
}
