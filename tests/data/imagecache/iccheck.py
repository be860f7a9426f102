#!/usr/bin/python3
# Independent check of a thumbnail cache file: opens it with olefile and prints, per stream,
# its path, the size and time fields of its entry header and the length of the picture
# class name. Exits non-zero when the file is not a valid compound file or an entry header
# is short.
import struct
import sys

import olefile

path = sys.argv[1]
if not olefile.isOleFile(path):
    print("not a compound file")
    sys.exit(2)
ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
for entry in ole.listdir(streams=True, storages=False):
    data = ole.openstream(entry).read()
    if len(data) < 17:
        print("short entry", "/".join(entry))
        sys.exit(3)
    empty, size, time = struct.unpack_from("<iIQ", data, 0)
    namelen = data[16]
    name = data[17:17 + namelen].decode("ascii")
    print("/".join(entry), empty, size, time, name)
ole.close()
