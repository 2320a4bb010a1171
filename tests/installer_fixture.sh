# Sourced by the installer tests (nsis_installer.sh, inno_installer.sh): the keys and the
# file an installer's calls need, the results every installer writes for them, and the
# checks of what the calls changed. The test defines fail() and KEY, its installer's key.

# The parent of the fixed key ReadSubValues lists. A fresh prefix has none, so the fixture
# creates it, marked as its own, and removes it.
readonly SQL_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\MSSQLServer'
readonly FIXTURE_MARK=KelvaneInstallerFixture
readonly PRODUCT='kelvane installer test'   # the text value ReadKeyValue reads
# The file cryptFile enciphers: 16 bytes, so the container holds 20 + 32. restored.ini
# starts with the same text and must hold it again after cryptFile and decryptFile: its
# last byte (the newline) is not zero, so it comes back byte for byte.
readonly SETTINGS='secret settings'
readonly CONTAINER_SIZE=52
# cryptString of the installers' text under their pass phrase: DES-ECB of
# "Install key: 4711" zero-filled to 32 bytes under the key "pass phr", as OpenSSL gives it.
readonly TEXT_HEX=CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8

# Imports a .reg file into the prefix's registry; prints reg's complaint on failure.
import_reg() {
    local output
    output=$(wine reg import "$(winepath -w "$1")" 2>&1) || fail "reg import $1: $output"
}

# Writes WORK/remove-keys.reg (for the test's trap), puts the keys in place and
# WORK/settings.ini beside the installer.
put_fixture() {
    local work=$1
    cat >"$work/remove-keys.reg" <<REG
REGEDIT4

[-$KEY]

[-$SQL_KEY]
REG
    cat "$work/remove-keys.reg" - >"$work/fixture.reg" <<REG

[$KEY]
"Product"="$PRODUCT"

[$KEY\\Keys\\Alpha]
[$KEY\\Keys\\Beta]
[$KEY\\Keys\\Gamma]
[$KEY\\Doomed]

[$SQL_KEY]
"$FIXTURE_MARK"="made by an installer test"

[$SQL_KEY\\Client\\TDS]
"Alpha"="tcp"
"Beta"="1433"
REG
    import_reg "$work/fixture.reg"
    printf '%s\n' "$SETTINGS" >"$work/settings.ini"
    printf '%s\n' "$SETTINGS" >"$work/restored.ini"
}

# The results lines from cryptFile to ComputerName, alike for every installer.
common_results() {
    local computer
    computer=$(wine hostname | tr -d '\r\n')
    cat <<RESULTS
cryptFile=2
cryptFile.again=1
cryptFile.missing=-1
cryptFile.restored=2
decryptFile=2
decryptFile.again=1
decryptFile.missing=-1
ReadSubKeys=Alpha,Beta,Gamma
ReadSubKeys.missing=(null)
ReadSubKeysInFile=0
ReadSubKeysInFile.missing=0
ReadSubKeysInFile.file=Alpha,Beta,Gamma(null)
ReadSubValues=Alpha,Beta
ReadKeyValue=$PRODUCT
ReadKeyValue.missing=(null)
RegDeleteKeyNT=0
RegDeleteKeyNT.again=2
ReadSubKeys.afterDelete=Keys
ComputerName=$computer
RESULTS
}

# Prints the results file RESULTS of an installer that exited with STATUS, for the log,
# and compares it with EXPECTED line by line.
check_results() {
    local results=$1 status=$2 expected=$3
    [ -f "$results" ] || fail "the installer (exit code $status) wrote no results file"
    echo "results file of the installer (exit code $status):"
    tr -d '\r' <"$results"
    [ "$status" -eq 0 ] || fail "the installer's exit code is $status"
    diff <(echo "$expected") <(tr -d '\r' <"$results") || fail "results differ from the expected (< expected, > installer)"
}

# settings.ini in WORK is a container, restored.ini holds its text again, and the deleted
# key is gone.
check_changes() {
    local size
    size=$(stat -c %s "$1/settings.ini")
    [ "$size" -eq "$CONTAINER_SIZE" ] || fail "settings.ini holds $size bytes, not a $CONTAINER_SIZE-byte container"
    ! grep -q "$SETTINGS" "$1/settings.ini" || fail "settings.ini still holds its plain text"
    cmp -s "$1/restored.ini" <(printf '%s\n' "$SETTINGS") || fail "restored.ini does not hold its text again"
    ! wine reg query "$KEY\\Doomed" >/dev/null 2>&1 || fail "the deleted key is still there"
}
