"""A release folder as make dist leaves it: SHA256SUMS names the four files
and matches them, and the Windows zip holds the README and a 32-bit Windows
executable that needs no DLL beyond those every Windows has.
usage: check_dist.py DIST
"""

import pathlib
import re
import subprocess
import sys
import zipfile

# Windowing, GL, sound and the C runtime of Windows itself.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "glu32.dll",
               "winmm.dll", "msvcrt.dll"}
KINDS = ["hallatorvo-V-win32.zip", "hallatorvo-V.html", "hallatorvo-V.tar.gz",
         "hallatorvo_V_amd64.deb"]


def main():
    dist = pathlib.Path(sys.argv[1])
    faults = []
    sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist, capture_output=True,
                          text=True)
    names = [line.rsplit(": ", 1)[0] for line in sums.stdout.splitlines()]
    if sums.returncode != 0 or sorted(re.sub(r"\d+\.\d+\.\d+", "V", n) for n in names) != KINDS:
        faults.append("SHA256SUMS: %s %s" % (sums.stdout.strip(), sums.stderr.strip()))

    archive = next(dist.glob("*-win32.zip"))
    folder = archive.name[:-len(".zip")]
    exe = dist / ".hallatorvo.exe"
    with zipfile.ZipFile(archive) as z:
        if z.namelist() != [folder + "/README.txt", folder + "/hallatorvo.exe"]:
            faults.append("%s holds %s" % (archive.name, z.namelist()))
        exe.write_bytes(z.read(folder + "/hallatorvo.exe"))
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True).stdout
    exe.unlink()
    dump = dump.decode(errors="replace")
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    if "file format pei-i386" not in dump or not dlls or dlls - SYSTEM_DLLS:
        faults.append("hallatorvo.exe: no 32-bit Windows program on system DLLs alone: %s"
                      % (sorted(dlls) or "no imports read"))

    for fault in faults:
        print("FAILED  " + fault)
    print("dist: " + ("%d fault(s)" % len(faults) if faults else "checksums and zip as expected"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
