# shellcheck shell=bash
# Sourced by sanitize.sh and memcheck.sh: the steps both take around the run of a suite
# under a checker, whose findings land one file a process in a folder of reports.

# Builds the preset $1.
check_build() {
  cmake --preset "$1"
  cmake --build --preset "$1"
}

# Empties (or makes) the report folder $1, so that only this run's reports count.
check_fresh_reports() {
  rm -rf "$1"
  mkdir -p "$1"
}

# Shows the report $1 under its name.
check_show_report() {
  echo "==== $1"
  cat "$1"
}
