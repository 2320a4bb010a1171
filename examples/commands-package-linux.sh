#!/usr/bin/env bash
# The Linux quick start (docs/quick-start.md), run as it stands in the folder the tarball
# unpacks into (kelvane-<version>/), with nothing of the repository: the package test runs
# it there and checks the lines marked `#=>` below against what it printed.
set -euo pipefail

# --- The command-line host calls an export by name
bin/kelvane cryptString "Install key: 4711" "pass phrase"
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8

# --- A registry to read: a folder of hive files standing in for HKEY_LOCAL_MACHINE
mkdir -p hklm
rm -f hklm/SOFTWARE
bin/kelvane --empty-hive hklm/SOFTWARE
printf '%s\n' 'add Kelvane' 'cd Kelvane' 'setval 1' Version 'string:1.2.3' commit >hklm.script
hivexsh -w -f hklm.script hklm/SOFTWARE
KELVANE_HKLM=$PWD/hklm bin/kelvane ReadKeyValue 'SOFTWARE\Kelvane' Version
#=> 1.2.3

# --- Python: the package installed offline into a virtual environment
python3 -m venv venv
venv/bin/pip install --no-index --quiet ./python
venv/bin/python -c 'import kelvane; print(kelvane.Kelvane(kelvane.load_library("lib/libkelvane.so.0")).crypt_string("Install key: 4711", "pass phrase"))'
venv/bin/python python/kelvane_example.py lib/libkelvane.so.0
#=> all checks passed
