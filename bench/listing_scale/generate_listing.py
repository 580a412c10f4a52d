#!/usr/bin/env python3
"""Writes a synthetic server listing of N lines in one layout (unix, nt, vms,
mvs) to standard output. Names are unique and in no particular order, so the
pane's sort has real work; about one entry in eight is a directory."""
import random
import sys

MONTHS = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()


def names(count, rng):
    order = list(range(count))
    rng.shuffle(order)
    for number in order:
        yield number, "file%07d" % number


def unix(count, rng, out):
    out.write("total %d\n" % count)
    for number, name in names(count, rng):
        month = MONTHS[number % 12]
        when = "%02d:%02d" % (number % 24, number % 60) if number % 3 else " %d" % (1990 + number % 30)
        if number % 8 == 0:
            out.write("drwxr-xr-x   2 joe      staff        4096 %s %2d %5s dir%07d\n" % (month, 1 + number % 28, when, number))
        else:
            out.write("-rw-r--r--   1 joe      staff  %10d %s %2d %5s %s.%s\n"
                      % (rng.randrange(1 << 31), month, 1 + number % 28, when, name, ("txt", "dat", "c")[number % 3]))


def nt(count, rng, out):
    for number, name in names(count, rng):
        stamp = "%02d-%02d-%02d  %02d:%02d%s" % (1 + number % 12, 1 + number % 28, number % 100,
                                                 1 + number % 12, number % 60, "AP"[number % 2] + "M")
        if number % 8 == 0:
            out.write("%s       <DIR>          dir%07d\n" % (stamp, number))
        else:
            out.write("%s %20d %s.dat\n" % (stamp, rng.randrange(1 << 40), name))


def vms(count, rng, out):
    out.write("Directory DISK$USER:[JOE]\n\n")
    for number, name in names(count, rng):
        stamp = "%2d-%s-1996 %02d:%02d" % (1 + number % 28, MONTHS[number % 12].upper(), number % 24, number % 60)
        if number % 8 == 0:
            out.write("DIR%07d.DIR;1          1/3        %s  [JOE]  (RWE,RWE,RE,E)\n" % (number, stamp))
        else:
            out.write("%s.DAT;%d         %5d/%-5d  %s  [JOE]  (RWED,RWED,RE,)\n"
                      % (name.upper(), 1 + number % 9, number % 999, number % 999 + 1, stamp))
    out.write("\nTotal of %d files.\n" % count)


def mvs(count, rng, out):
    out.write("Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n")
    for number, name in names(count, rng):
        dsorg = "PO" if number % 8 == 0 else "PS"
        line = "WORK%02d 3390   1996/%02d/%02d  1 %4d  FB      80 27920 %s" % (
            number % 100, 1 + number % 12, 1 + number % 28, number % 9999, dsorg)
        out.write("%-54sJOE.%s.DATA\n" % (line, name.upper()))


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("unix", "nt", "vms", "mvs"):
        sys.exit("usage: generate_listing.py unix|nt|vms|mvs LINES")
    rng = random.Random(1996)
    globals()[sys.argv[1]](int(sys.argv[2]), rng, sys.stdout)


if __name__ == "__main__":
    main()
