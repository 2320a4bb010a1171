"""Writes a folder into a .zip or .tar.gz that is the same bytes on every run: entries
sorted by name, every time stamp SOURCE_DATE_EPOCH, owner root, modes 0755 (programs
and folders) or 0644, symbolic links kept as links in a tarball, no name or time in the gzip header.
    archive.py OUTPUT FOLDER    (OUTPUT ends in .zip or .tar.gz)"""
import gzip
import io
import os
import sys
import tarfile
import time
import zipfile

EXECUTABLE_MODE = 0o755
FILE_MODE = 0o644
ZIP_EARLIEST = 315532800  # 1980-01-01: a zip entry cannot be older


def entries(folder):
    """(name inside the archive, path on disk) of every file, sorted by name."""
    found = []
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            found.append((os.path.relpath(path, folder).replace(os.sep, "/"), path))
    return sorted(found)


def mode_of(path):
    return EXECUTABLE_MODE if os.access(path, os.X_OK) else FILE_MODE


def write_zip(output, folder, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EARLIEST))[:6]
    with zipfile.ZipFile(output, "w") as archive:
        for name, path in entries(folder):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix: the mode below is read from external_attr
            info.external_attr = (0o100000 | mode_of(path)) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)


def write_tar_gz(output, folder, epoch):
    data = io.BytesIO()
    with tarfile.open(fileobj=data, mode="w", format=tarfile.PAX_FORMAT) as archive:
        for name, path in entries(folder):
            info = tarfile.TarInfo(name)
            info.mtime = epoch
            info.uid = info.gid = 0
            info.uname = info.gname = "root"
            if os.path.islink(path):
                # The library's links (libkelvane.so -> libkelvane.so.0 -> ...) stay links.
                info.type = tarfile.SYMTYPE
                info.linkname = os.readlink(path)
                info.mode = 0o777
                archive.addfile(info)
                continue
            info.size = os.path.getsize(path)
            info.mode = mode_of(path)
            with open(path, "rb") as source:
                archive.addfile(info, source)
    with open(output, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=epoch) as packed:
        packed.write(data.getvalue())


def main(output, folder):
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    if output.endswith(".zip"):
        write_zip(output, folder, epoch)
    elif output.endswith(".tar.gz"):
        write_tar_gz(output, folder, epoch)
    else:
        sys.exit(f"archive.py: {output}: neither .zip nor .tar.gz")


main(*sys.argv[1:])
