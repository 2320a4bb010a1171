"""The rows of the MSI installer test: each a kelvane_msi action with its inputs and what it
must give. `package` writes a wixl package that runs every row once (immediate rows leave
KELVANE_RESULT in a registry value named after the row; deferred rows are judged by their
log line) and the msiexec arguments that carry the rows' inputs; `check` compares the
exported results and the log with the table.

  msi_rows.py package PACKAGE.wxs ARGUMENTS-FILE     (environment: the fixture's values)
  msi_rows.py check RESULTS.reg INSTALL.log

Inputs travel on the msiexec command line, which keeps Greek and Japanese whole; a value
written `wxs:...` is written into the package instead, where the installer formats it.
"""
import os
import re
import sys
from typing import NamedTuple, Optional, Union
from xml.sax.saxutils import quoteattr

E = os.environ
WORK = E.get("WORK_W", "")  # the test's folder, as Windows names it, with a final '\'
ROOT = r"SOFTWARE\KelvaneMsiTest"  # the fixture's keys, below HKEY_LOCAL_MACHINE
UNICODE_KEY = ROOT + "\\" + E.get("UNICODE_KEY", "")
UNICODE_FOLDER = WORK + E.get("UNICODE_FOLDER", "")
UNICODE_FILE = (WORK + E.get("UNICODE_FILE", "")).replace("/", "\\")
UNICODE_LIST = (WORK + E.get("UNICODE_LIST", "")).replace("/", "\\")

OK, FAILED = "succeeded", "failed"
TEXT = "Install key: 4711"
PASS = "pass phrase"


def number(value):
    return f"result {value}, {OK if (value > 0) else FAILED}"


class Row(NamedTuple):
    label: str
    call: str
    kind: str  # "immediate" or "deferred"
    inputs: Union[dict, str, None]  # immediate: {"TEXT": value} for KELVANE_TEXT; deferred: CustomActionData
    result: Optional[str]  # KELVANE_RESULT (immediate rows)
    log: Optional[str]  # the log line after "kelvane_msi CALL: "; None: a text result's

    def log_line(self):
        return f"kelvane_msi {self.call}: {self.log or f'a text of {len(self.result)} characters, succeeded'}"


ROWS = [Row(*row) for row in [
    ("cryptString", "cryptString", "immediate", {"TEXT": TEXT, "PASS": PASS}, E.get("TEXT_HEX"), None),
    # Right after a result: a failure empties KELVANE_RESULT.
    ("cryptString.noPass", "cryptString", "immediate", {"TEXT": TEXT}, "", "KELVANE_PASS is not set, failed"),
    ("cryptString.codePage", "cryptString", "immediate", {"TEXT": "Größe", "PASS": PASS}, E.get("CODE_PAGE_HEX"),
     None),
    ("cryptString.outside", "cryptString", "immediate", {"TEXT": "Ελληνικά 日本語", "PASS": PASS}, "",
     "KELVANE_TEXT has a character outside the ANSI code page, failed"),
    ("decryptString", "decryptString", "immediate", {"HEX": E.get("TEXT_HEX"), "PASS": PASS}, TEXT, None),
    ("decryptString.codePage", "decryptString", "immediate", {"HEX": E.get("CODE_PAGE_HEX"), "PASS": PASS},
     "Größe", None),
    ("decryptString.oddHex", "decryptString", "immediate", {"HEX": "ABC", "PASS": PASS}, "", "null result, failed"),
    ("cryptFile", "cryptFile", "immediate", {"PATH": WORK + "settings.ini"}, "2", number(2)),
    ("cryptFile.again", "cryptFile", "immediate", {"PATH": WORK + "settings.ini"}, "1", number(1)),
    ("cryptFile.missing", "cryptFile", "immediate", {"PATH": WORK + "missing.ini"}, "-1", number(-1)),
    ("cryptFile.unicode", "cryptFile", "immediate", {"PATH": UNICODE_FILE}, "2", number(2)),
    ("decryptFile.unicode", "decryptFile", "immediate", {"PATH": UNICODE_FILE}, "2", number(2)),
    ("decryptFile.plain", "decryptFile", "immediate", {"PATH": WORK + "restored.ini"}, "1", number(1)),
    ("decryptFile.missing", "decryptFile", "immediate", {"PATH": WORK + "missing.ini"}, "-1", number(-1)),
    ("ReadSubKeys", "ReadSubKeys", "immediate", {"KEY": ROOT + r"\Keys"}, "Alpha,Beta,Gamma", None),
    ("ReadSubKeys.unicode", "ReadSubKeys", "immediate", {"KEY": UNICODE_KEY}, E.get("UNICODE_SUBKEYS"), None),
    ("ReadSubKeys.missing", "ReadSubKeys", "immediate", {"KEY": r"SOFTWARE\KelvaneNowhere"}, "",
     "null result, failed"),
    ("ReadSubKeys.noKey", "ReadSubKeys", "immediate", {}, "", "KELVANE_KEY is not set, failed"),
    # A key name longer than any the system takes (twice LONG_NAME): read whole, refused by the call.
    ("ReadSubKeys.huge", "ReadSubKeys", "immediate", {"KEY": "wxs:[LONG_NAME][LONG_NAME]"}, "", "null result, failed"),
    ("ReadSubKeysInFile.unicode", "ReadSubKeysInFile", "immediate",
     {"KEY": UNICODE_KEY, "PATH": UNICODE_LIST}, "0", "result 0, succeeded"),
    ("ReadSubValues", "ReadSubValues", "immediate", {}, "Alpha,Beta", None),
    ("ReadKeyValue", "ReadKeyValue", "immediate", {"KEY": ROOT, "VALUE": "Product"}, E.get("PRODUCT"), None),
    ("ReadKeyValue.unicode", "ReadKeyValue", "immediate", {"KEY": UNICODE_KEY, "VALUE": E.get("UNICODE_VALUE")},
     E.get("UNICODE_DATA"), None),
    ("ReadKeyValue.noValue", "ReadKeyValue", "immediate", {"KEY": ROOT}, "", "KELVANE_VALUE is not set, failed"),
    ("RegDeleteKeyNT", "RegDeleteKeyNT", "immediate", {"KEY": ROOT + r"\Doomed"}, "0", "result 0, succeeded"),
    ("RegDeleteKeyNT.again", "RegDeleteKeyNT", "immediate", {"KEY": ROOT + r"\Doomed"}, "2", "result 2, failed"),
    ("RegDeleteKeyNT.unicode", "RegDeleteKeyNT", "immediate", {"KEY": ROOT + "\\" + E.get("UNICODE_LEAF", "")}, "0",
     "result 0, succeeded"),
    ("ComputerName", "ComputerName", "immediate", {}, E.get("COMPUTER"), None),
    # Deferred: the installed file; a path with ';' (written ';;'), Greek and Japanese; a key.
    ("cryptFile.deferred", "cryptFile", "deferred", "wxs:KELVANE_PATH=[#settings.ini]", None, number(2)),
    ("cryptFile.deferredSemicolon", "cryptFile", "deferred",
     f"KELVANE_PASS=unused;;value;KELVANE_PATH={UNICODE_FOLDER}\\semi;;colon 設定.ini", None,
     number(2)),
    # A longer name that starts like the one read, and an empty pair at the end.
    ("RegDeleteKeyNT.deferred", "RegDeleteKeyNT", "deferred",
     f"KELVANE_KEY={ROOT}\\Keys\\Gamma;KELVANE_KEYS=SOFTWARE\\KelvaneNowhere;", None,
     "result 0, succeeded"),
    ("deferred.noData", "cryptFile", "deferred", None, None, "runs deferred and CustomActionData is empty, failed"),
    ("deferred.notPairs", "cryptFile", "deferred", "KELVANE_PATH", None,
     "CustomActionData is not NAME=value pairs separated by ';', failed"),
    ("deferred.noPath", "cryptFile", "deferred", "KELVANE_KEY=SOFTWARE", None, "KELVANE_PATH is not set, failed"),
]]

PROPERTIES = ["TEXT", "HEX", "PASS", "PATH", "KEY", "VALUE"]
# Where the immediate rows' results are kept: a value per row, "=" and the result.
RESULTS_KEY = r"SOFTWARE\KelvaneMsiResults"
# Half a name of more than 32766 characters, the most a W function takes: the command line
# carries 32767 characters in all, the package puts two together.
LONG_NAME = "k" * 20000
# Immediate rows run after CostFinalize (1000), deferred ones after InstallFiles (4000).
FIRST_IMMEDIATE, FIRST_DEFERRED = 1001, 4001


def package(wxs_path, arguments_path):
    actions, sequence, registry, arguments = [], [], [], [f"LONG_NAME={LONG_NAME}"]
    numbers = {"immediate": FIRST_IMMEDIATE, "deferred": FIRST_DEFERRED}
    condition = "NOT Installed AND NOT KELVANE_CHECK"

    def schedule(kind, action):
        sequence.append(f'<Custom Action="{action}" Sequence="{numbers[kind]}">{condition}</Custom>')
        numbers[kind] += 1

    def set_property(kind, action, prop, value):
        if value.startswith("wxs:"):
            formatted = value[4:]
        else:
            # Public, so that the command line may set it: upper case.
            arguments.append(f"IN_{action.upper()}={value}")
            formatted = f"[IN_{action.upper()}]"
        actions.append(f'<CustomAction Id="{action}" Property="{prop}" Value={quoteattr(formatted)}/>')
        schedule(kind, action)

    for index, row in enumerate(ROWS):
        action = f"Row{index}"
        if row.kind == "immediate":
            # Every property set or emptied, so that no row sees another's.
            for prop in PROPERTIES:
                given = row.inputs.get(prop, "wxs:[KELVANE_UNSET]")
                set_property(row.kind, f"{action}{prop}", f"KELVANE_{prop}", given)
        elif row.inputs is not None:
            set_property(row.kind, f"{action}Data", action, row.inputs)
        extra = ' Impersonate="no"' if row.kind == "deferred" else ""
        actions.append(f'<CustomAction Id="{action}" BinaryKey="KelvaneMsi" DllEntry="{row.call}"'
                       f' Execute="{row.kind}"{extra} Return="ignore"/>')
        schedule(row.kind, action)
        if row.kind == "immediate":
            set_property(row.kind, f"{action}Keep", f"KEPT_{index}", "wxs:[KELVANE_RESULT]")
            registry.append(f'<RegistryValue Root="HKLM" Key="{RESULTS_KEY}" Name="{row.label}"'
                            f' Value="=[KEPT_{index}]" Type="string"/>')
    template = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "msi_rows.wxs")).read()
    text = (template.replace("<!-- ACTIONS -->", "\n    ".join(actions))
            .replace("<!-- SEQUENCE -->", "\n      ".join(sequence))
            .replace("<!-- RESULTS -->", "\n            ".join(registry)))
    open(wxs_path, "w", encoding="utf-8").write(text)
    open(arguments_path, "w", encoding="utf-8").write("".join(a + "\0" for a in arguments))


def exported_values(reg_path):
    """The values of a `reg export` file (UTF-16) as a dict, strings unescaped."""
    text = open(reg_path, encoding="utf-16").read()
    values = {}
    for match in re.finditer(r'^"((?:[^"\\]|\\.)*)"="((?:[^"\\]|\\.)*)"\r?$', text, re.M):
        unescape = lambda s: re.sub(r"\\(.)", r"\1", s)
        values[unescape(match.group(1))] = unescape(match.group(2))
    return values


def check(reg_path, log_path):
    results = exported_values(reg_path)
    logged = [line.rstrip("\r\n") for line in open(log_path, encoding="cp1252", errors="replace")
              if line.startswith("kelvane_msi ")]
    faults = 0
    for index, row in enumerate(ROWS):
        got_line = logged[index] if index < len(logged) else "(no line)"
        got = results.get(row.label, "=(no value)")[1:] if row.kind == "immediate" else None
        good = got_line == row.log_line() and got == row.result
        faults += not good
        shown = f" KELVANE_RESULT={got!r}" if row.kind == "immediate" else ""
        print(f"{'ok  ' if good else 'FAIL'} {row.label}: {got_line}{shown}")
        if not good:
            expected = f" KELVANE_RESULT={row.result!r}" if row.kind == "immediate" else ""
            print(f"     expected: {row.log_line()}{expected}")
    if len(logged) != len(ROWS):
        print(f"FAIL: {len(logged)} kelvane_msi lines in the log for {len(ROWS)} rows")
        faults += 1
    return faults


if __name__ == "__main__":
    if sys.argv[1] == "package":
        package(sys.argv[2], sys.argv[3])
    else:
        sys.exit(1 if check(sys.argv[2], sys.argv[3]) else 0)
