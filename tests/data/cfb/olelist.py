#!/usr/bin/python3
"""Lists a compound file through python3-olefile, an independent reader, so that tests can
compare its view with ours. olefile is asked to raise on every defect it can detect.

Output (UTF-8), one line per element, sorted:
    storage <path>
    stream <path> <size> <sha1 of the content>
    clsid <path> <class id>          (storages with a class id; the root is "/")
Paths join element names with "/". Exit status 2 when olefile is missing.
"""
import hashlib
import sys

try:
    import olefile
except ImportError:
    sys.stderr.write("olefile is not installed\n")
    sys.exit(2)


def main(path):
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    lines = []
    if ole.root.clsid:
        lines.append("clsid / " + ole.root.clsid.upper())
    for entry in ole.listdir(streams=True, storages=True):
        name = "/".join(entry)
        kind = ole.get_type(entry)
        if kind == olefile.STGTY_STORAGE:
            lines.append("storage " + name)
            clsid = ole.getclsid(entry)
            if clsid:
                lines.append("clsid " + name + " " + clsid.upper())
        elif kind == olefile.STGTY_STREAM:
            data = ole.openstream(entry).read()
            if len(data) != ole.get_size(entry):
                raise ValueError("short stream " + name)
            lines.append("stream %s %d %s" % (name, len(data), hashlib.sha1(data).hexdigest()))
    lines.sort()
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
