#!/usr/bin/env python3
"""Makes a package archive that is the same bytes wherever and whenever it is made:
    package_archive.py ARCHIVE FOLDER EPOCH
ARCHIVE (.tar.gz or .zip) gets every file under FOLDER, in name order, owned by 0:0 with no
owner names, mode 755 (executables) or 644, dated EPOCH (seconds since 1970, UTC); the gzip
header carries no name and no time. Package files are not staged files: CPack may have
written ARCHIVE (CMake 4) inside FOLDER, so no .tar.gz, .zip or unfinished .part under FOLDER
goes into it."""

import gzip
import os
import sys
import tarfile
import time
import zipfile


PACKAGE_ENDINGS = (".tar.gz", ".zip", ".part")


def files_under(folder):
    """(name in the archive, path, mode) of each staged file, in name order: package files
    are left out; anything but plain files and folders is refused."""
    found = []
    for root, dirs, names in os.walk(folder):
        for name in dirs + names:
            path = os.path.join(root, name)
            if os.path.islink(path) or not (os.path.isfile(path) or os.path.isdir(path)):
                sys.exit("package_archive: %s is neither a file nor a folder" % path)
        for name in names:
            if name.endswith(PACKAGE_ENDINGS):
                continue
            path = os.path.join(root, name)
            executable = os.stat(path).st_mode & 0o111
            found.append((os.path.relpath(path, folder).replace(os.sep, "/"), path,
                          0o755 if executable else 0o644))
    return sorted(found)


def write_tar_gz(out, entries, epoch):
    with gzip.GzipFile(filename="", mode="wb", fileobj=out, compresslevel=9, mtime=0) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.USTAR_FORMAT) as tar:
            for name, path, mode in entries:
                info = tarfile.TarInfo(name)
                info.size = os.path.getsize(path)
                info.mode = mode
                info.mtime = epoch
                info.uid = info.gid = 0
                info.uname = info.gname = ""
                with open(path, "rb") as f:
                    tar.addfile(info, f)


def write_zip(out, entries, epoch):
    # A zip's dates have no zone and start in 1980.
    date = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out, "w") as archive:
        for name, path, mode in entries:
            info = zipfile.ZipInfo(name, date)
            info.create_system = 3  # Unix, so that the modes below count
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    archive, folder, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    entries = files_under(folder)
    if archive.endswith(".tar.gz"):
        write = write_tar_gz
    elif archive.endswith(".zip"):
        write = write_zip
    else:
        sys.exit("package_archive: %s is neither .tar.gz nor .zip" % archive)
    temporary = archive + ".part"
    with open(temporary, "wb") as out:
        write(out, entries, epoch)
    os.replace(temporary, archive)


if __name__ == "__main__":
    main()
