# Sourced by the installer tests (nsis_installer.sh, inno_installer.sh): the keys and the
# files an installer's calls need, the results every installer writes for them, and the
# checks of what the calls changed. The test defines fail() and KEY, its installer's key.

# Names outside any code page travel between the shell, the files and Wine as UTF-8.
export LC_ALL=C.UTF-8

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
# The same of "Größe" in code page 1252 (47 72 F6 DF 65), the ANSI code page of Wine here.
readonly CODE_PAGE_HEX=1639E51A692BD9ADA792464C35B3AFE8A792464C35B3AFE8A792464C35B3AFE8
# Names no single ANSI code page holds: a folder and file, a key with two subkeys and a
# value, a leaf to delete; the installers name them alike.
readonly UNICODE_FOLDER='Φάκελος フォルダ'
readonly UNICODE_FILE="$UNICODE_FOLDER/αρχείο 設定.ini"
readonly UNICODE_LIST="$UNICODE_FOLDER/λίστα.txt"
readonly UNICODE_KEY='Unicode\Κλειδί 鍵'
readonly UNICODE_SUBKEYS='Άλφα,ベータ'
readonly UNICODE_VALUE='Τιμή 値'
readonly UNICODE_DATA='Größe 大きさ'
readonly UNICODE_LEAF='Unicode\Φύλλο 葉'

# The registry view of the installer's process, for every `wine reg`: a 64-bit installer
# (REG_VIEW=64) reads the 64-bit view, which reg would not write in by itself.
REG_VIEW=${REG_VIEW:-32}
wine_reg() { wine reg "$@" "/reg:$REG_VIEW"; }

# Imports a .reg file into the prefix's registry; prints reg's complaint on failure.
import_reg() {
    local output
    output=$(wine_reg import "$(winepath -w "$1")" 2>&1) || fail "reg import $1: $output"
}

# Imports the registry file of UTF-8 text on stdin, as the UTF-16 file reg reads names
# outside the code page from, kept as WORK/NAME.
import_text_reg() {
    local file=$1
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$file"
    import_reg "$file"
}

# Removes the installer's key and the fixed key, each with all below it. Through `reg
# delete`: Wine 8's `reg import` does not take deletions (`[-KEY]`) into the 64-bit view.
remove_keys() {
    wine_reg delete "$KEY" /f >/dev/null 2>&1 || true
    wine_reg delete "$SQL_KEY" /f >/dev/null 2>&1 || true
}

# For the test's trap: removes the keys once start_fixture has made any.
remove_fixture() {
    [ ! -f "$1/fixture.reg" ] || remove_keys
}

# Puts the fixed key in place, after what an interrupted run may have left.
start_fixture() {
    local work=$1
    remove_keys
    import_text_reg "$work/fixture.reg" <<REG
Windows Registry Editor Version 5.00

[$SQL_KEY]
"$FIXTURE_MARK"="made by an installer test"

[$SQL_KEY\\Client\\TDS]
"Alpha"="tcp"
"Beta"="1433"
REG
}

# The keys below ROOT (a full HKEY_LOCAL_MACHINE path) and the files in FOLDER that one
# installer's calls work on.
put_fixture() {
    local root=$1 folder=$2 subkey
    local -a unicode_subkeys
    IFS=, read -ra unicode_subkeys <<<"$UNICODE_SUBKEYS"
    mkdir -p "$folder/$UNICODE_FOLDER"
    import_text_reg "$folder/fixture.reg" <<REG
Windows Registry Editor Version 5.00

[$root]
"Product"="$PRODUCT"

[$root\\Keys\\Alpha]
[$root\\Keys\\Beta]
[$root\\Keys\\Gamma]
[$root\\Doomed]
$(for subkey in "${unicode_subkeys[@]}"; do printf '[%s\\%s\\%s]\n' "$root" "$UNICODE_KEY" "$subkey"; done)

[$root\\$UNICODE_KEY]
"$UNICODE_VALUE"="$UNICODE_DATA"

[$root\\$UNICODE_LEAF]
REG
    printf '%s\n' "$SETTINGS" >"$folder/settings.ini"
    printf '%s\n' "$SETTINGS" >"$folder/restored.ini"
    printf '%s\n' "$SETTINGS" >"$folder/$UNICODE_FILE"
}

# The results lines from cryptFile to ComputerName, alike for every installer. WIDTH:
# "unicode" for an installer whose strings are UTF-16 (the names outside the code page
# reach the library whole), "ansi" for one whose strings are in the code page (they
# reach it as '?', which names no file and no key).
common_results() {
    local width=$1 computer
    computer=$(wine hostname | tr -d '\r\n')
    declare -A unicode_results=(
        [unicode]="cryptFile.unicode=2|decryptFile.unicode=2|ReadSubKeys.unicode=$UNICODE_SUBKEYS"
        [ansi]="cryptFile.unicode=-1|decryptFile.unicode=-1|ReadSubKeys.unicode=(null)")
    declare -A unicode_value=([unicode]="$UNICODE_DATA" [ansi]='(null)')
    declare -A unicode_deletion=([unicode]=0 [ansi]=2)
    local -a files listing
    IFS='|' read -ra files <<<"${unicode_results[$width]}"
    cat <<RESULTS
cryptFile=2
cryptFile.again=1
cryptFile.missing=-1
cryptFile.restored=2
decryptFile=2
decryptFile.again=1
decryptFile.missing=-1
${files[0]}
${files[1]}
ReadSubKeys=Alpha,Beta,Gamma
ReadSubKeys.missing=(null)
${files[2]}
ReadSubKeys.unicodeMissing=(null)
ReadSubKeysInFile=0
ReadSubKeysInFile.missing=0
ReadSubKeysInFile.file=Alpha,Beta,Gamma(null)
ReadSubKeysInFile.unicode=0
ReadSubValues=Alpha,Beta
ReadKeyValue=$PRODUCT
ReadKeyValue.missing=(null)
ReadKeyValue.unicode=${unicode_value[$width]}
RegDeleteKeyNT=0
RegDeleteKeyNT.again=2
RegDeleteKeyNT.unicode=${unicode_deletion[$width]}
ReadSubKeys.afterDelete=Keys,Unicode
ComputerName=$computer
RESULTS
}

# The lines of the plugin and of kelvane.isi's functions: " !error" where the error flag is set, which is where the command-line
# host exits 1: a null text, a file result below 1, a deletion status not 0.
with_error_flags() {
    awk -F= '{ name = $1; sub(/\..*/, "", name); value = substr($0, length($1) + 2) }
        value == "(null)" ||
        (name ~ /^(cryptFile|decryptFile)$/ && value + 0 < 1) ||
        (name == "RegDeleteKeyNT" && value != "0") { print $0 " !error"; next }
        { print }'
}

# Prints the results file RESULTS of an installer that exited with STATUS, for the log,
# and compares it with EXPECTED line by line. ENCODING: the file's (default UTF-8).
check_results() {
    local results=$1 status=$2 expected=$3 encoding=${4:-UTF-8} text
    [ -f "$results" ] || fail "the installer (exit code $status) wrote no results file $results"
    text=$(iconv -f "$encoding" -t UTF-8 "$results" | sed '1s/^\xEF\xBB\xBF//' | tr -d '\r')
    echo "results file $results of the installer (exit code $status):"
    echo "$text"
    [ "$status" -eq 0 ] || fail "the installer's exit code is $status"
    diff <(echo "$expected") <(echo "$text") || fail "results differ from the expected (< expected, > installer)"
}

# In FOLDER settings.ini is a container, restored.ini and the file named outside the code
# page hold their text again, and below ROOT the deleted key is gone; for WIDTH "unicode"
# the listing of the key named outside the code page is in the list file, in UTF-8.
check_changes() {
    local folder=$1 root=$2 width=$3 size
    size=$(stat -c %s "$folder/settings.ini")
    [ "$size" -eq "$CONTAINER_SIZE" ] || fail "settings.ini holds $size bytes, not a $CONTAINER_SIZE-byte container"
    ! grep -q "$SETTINGS" "$folder/settings.ini" || fail "settings.ini still holds its plain text"
    cmp -s "$folder/restored.ini" <(printf '%s\n' "$SETTINGS") || fail "restored.ini does not hold its text again"
    cmp -s "$folder/$UNICODE_FILE" <(printf '%s\n' "$SETTINGS") || fail "$UNICODE_FILE does not hold its text again"
    ! wine_reg query "$root\\Doomed" >/dev/null 2>&1 || fail "the deleted key is still there"
    [ "$width" = unicode ] || return 0
    [ "$(cat "$folder/$UNICODE_LIST" 2>/dev/null)" = "$UNICODE_SUBKEYS" ] ||
        fail "$UNICODE_LIST does not hold $UNICODE_SUBKEYS in UTF-8"
}
