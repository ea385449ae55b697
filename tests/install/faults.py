"""The end of a check: every broken rule on its own line, a count, and a
non-zero exit when anything is broken."""

import sys


def report(faults, where):
    for fault in faults:
        print(fault)
    print(f"{len(faults)} fault(s) {where}")
    sys.exit(1 if faults else 0)
