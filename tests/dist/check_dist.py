"""A release folder as make dist leaves it: SHA256SUMS names the four files
and matches them, and the Windows zip holds the README and a 32-bit Windows
executable that needs no DLL beyond those every Windows has.

usage: check_dist.py DIST
"""

import hashlib
import pathlib
import re
import subprocess
import sys
import zipfile

# What the show calls: windowing, GL, sound and the C runtime of Windows itself.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "glu32.dll", "winmm.dll",
               "msvcrt.dll"}


def main():
    dist = pathlib.Path(sys.argv[1])
    faults = []
    lines = (dist / "SHA256SUMS").read_text().splitlines()
    sums = dict(reversed(line.split("  ", 1)) for line in lines)
    kinds = sorted(re.sub(r"\d+\.\d+\.\d+(-\d+)?", "V", name) for name in sums)
    if kinds != ["hallatorvo-V-win32.zip", "hallatorvo-V.html", "hallatorvo-V.tar.gz",
                 "hallatorvo_V_amd64.deb"]:
        faults.append("SHA256SUMS names %s" % sorted(sums))
    for name, digest in sums.items():
        if hashlib.sha256((dist / name).read_bytes()).hexdigest() != digest:
            faults.append("%s does not match its checksum" % name)

    archive = next(dist.glob("*-win32.zip"))
    folder = archive.name[:-len(".zip")]
    with zipfile.ZipFile(archive) as z:
        names = z.namelist()
        if names != [folder + "/README.txt", folder + "/hallatorvo.exe"]:
            faults.append("%s holds %s" % (archive.name, names))
        exe = dist / ".hallatorvo.exe"
        exe.write_bytes(z.read(folder + "/hallatorvo.exe"))
    try:
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], capture_output=True,
                              text=True).stdout
    finally:
        exe.unlink()
    if "file format pei-i386" not in dump:
        faults.append("hallatorvo.exe is no 32-bit Windows executable")
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    if not dlls or dlls - SYSTEM_DLLS:
        faults.append("hallatorvo.exe needs %s" % sorted(dlls - SYSTEM_DLLS or {"no DLL at all"}))

    for fault in faults:
        print("FAILED  " + fault)
    print("dist: %s" % ("%d fault(s)" % len(faults) if faults else "checksums and zip as expected"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
