"""The smallest build backend pip needs to install the kelvane package from this folder:
a pure-Python wheel of kelvane/ and its metadata, built with the standard library alone
so that `pip install .` works offline. The name and version are read from pyproject.toml."""
import base64
import hashlib
import pathlib
import re
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
PACKAGE = "kelvane"
ZIP_TIME = (1980, 1, 1, 0, 0, 0)  # fixed, so that a wheel is the same bytes each time


def _field(name):
    match = re.search(rf'^{name}\s*=\s*"([^"]+)"', (HERE / "pyproject.toml").read_text(), re.M)
    return match.group(1)


def _record_line(name, data):
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _metadata():
    return (f"Metadata-Version: 2.1\nName: {_field('name')}\nVersion: {_field('version')}\n"
            f"Summary: {_field('description')}\nRequires-Python: {_field('requires-python')}\n"
            "License: MIT\n")


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    version = _field("version")
    dist_info = f"{PACKAGE}-{version}.dist-info"
    wheel_name = f"{PACKAGE}-{version}-py3-none-any.whl"
    files = [(path.relative_to(HERE).as_posix(), path.read_bytes())
             for path in sorted((HERE / PACKAGE).glob("*.py"))]
    files.append((f"{dist_info}/METADATA", _metadata().encode()))
    files.append((f"{dist_info}/WHEEL",
                  b"Wheel-Version: 1.0\nGenerator: kelvane_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"))
    record = "\n".join(_record_line(name, data) for name, data in files) + f"\n{dist_info}/RECORD,,\n"
    files.append((f"{dist_info}/RECORD", record.encode()))
    with zipfile.ZipFile(pathlib.Path(wheel_directory) / wheel_name, "w", zipfile.ZIP_DEFLATED) as wheel:
        for name, data in files:
            wheel.writestr(zipfile.ZipInfo(name, ZIP_TIME), data)
    return wheel_name
