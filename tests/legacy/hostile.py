#!/usr/bin/python3
"""Writes damaged copies of a good .xls book, each breaking the container in one way.

usage: hostile.py GOOD.xls OUTDIR

  truncated.dat  cut in the middle of the workbook stream's sectors
  loop.dat       the stream's second sector links back to its first
  selfloop.dat   the stream's second sector links to itself
  badsector.dat  the first sector links to sector 0x800000: (n+1)*512 wraps to 512 in 32 bits
  hugesize.dat   the stream's directory entry declares 0xFFFFFFF0 bytes
  hugefat.dat    the header declares 0x800001 FAT sectors: *512 wraps to 512 in 32 bits
  sstcount.dat   the shared string table declares 0x7FFFFFFF strings
  sstlong.dat    the shared string table's first string declares 0xFFFF characters

The good book's workbook stream must be in the ordinary FAT, not the mini stream
(xlwt's books always are: it pads the stream to 4096 bytes). The chain is damaged at
its start because the end of an xlwt stream is padding that no reader looks at.
"""

import os
import struct
import sys

END_OF_CHAIN = 0xFFFFFFFE


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


class Container:
    """Just enough of the compound-file layout to find the workbook stream's bytes."""

    def __init__(self, data):
        assert data[:8] == bytes.fromhex("d0cf11e0a1b11ae1"), "not a compound file"
        self.data = data
        self.size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        fat_count = u32(data, 0x2C)
        difat = [u32(data, 0x4C + 4 * i) for i in range(109)]
        extra = u32(data, 0x44)  # DIFAT sectors beyond the header's 109 entries
        while extra != END_OF_CHAIN and len(difat) < fat_count:
            at = self.offset(extra)
            difat += [u32(data, at + 4 * i) for i in range(self.size // 4 - 1)]
            extra = u32(data, at + self.size - 4)
        self.fat_sectors = difat[:fat_count]
        self.fat = [u32(data, self.offset(s) + 4 * i)
                    for s in self.fat_sectors for i in range(self.size // 4)]
        self.dir_sector = u32(data, 0x30)
        self.mini_cutoff = u32(data, 0x38)

    def offset(self, sector):
        return (sector + 1) * self.size

    def chain(self, sector):
        out = []
        while sector != END_OF_CHAIN:
            out.append(sector)
            sector = self.fat[sector]
        return out

    def stream_offset(self, chain, pos):
        """Where byte `pos` of the stream whose sectors are `chain` lies in the file."""
        return self.offset(chain[pos // self.size]) + pos % self.size

    def fat_entry_offset(self, index):
        per = self.size // 4
        return self.offset(self.fat_sectors[index // per]) + 4 * (index % per)

    def workbook_entry(self):
        """Offset of the Workbook (BIFF8) or Book (BIFF5) directory entry."""
        for sector in self.chain(self.dir_sector):
            for at in range(self.offset(sector), self.offset(sector) + self.size, 128):
                name_len = struct.unpack_from("<H", self.data, at + 0x40)[0]
                name = self.data[at:at + max(name_len - 2, 0)].decode("utf-16-le")
                if name in ("Workbook", "Book") and self.data[at + 0x42] == 2:
                    return at
        sys.exit("no Workbook or Book stream")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        good = f.read()
    outdir = sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    cfb = Container(good)
    entry = cfb.workbook_entry()
    start, size = u32(good, entry + 0x74), u32(good, entry + 0x78)
    if size < cfb.mini_cutoff:
        sys.exit("the workbook stream is in the mini stream; use a book of 4096 bytes or more")
    chain = cfb.chain(start)
    assert len(chain) >= 3, "the stream needs a few sectors to damage"
    middle = chain[len(chain) // 2]

    def variant(name, patches=(), cut=None):
        data = bytearray(good[:cut])
        for at, value in patches:
            struct.pack_into("<I", data, at, value)
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(data)

    variant("truncated.dat", cut=cfb.offset(middle) + cfb.size // 2)
    variant("loop.dat", [(cfb.fat_entry_offset(chain[1]), chain[0])])
    variant("selfloop.dat", [(cfb.fat_entry_offset(chain[1]), chain[1])])
    variant("badsector.dat", [(cfb.fat_entry_offset(chain[0]), 0x800000)])
    variant("hugesize.dat", [(entry + 0x78, 0xFFFFFFF0)])
    variant("hugefat.dat", [(0x2C, 0x800001)])

    stream = b"".join(good[cfb.offset(c):cfb.offset(c) + cfb.size] for c in chain)[:size]
    pos = 0
    while struct.unpack_from("<H", stream, pos)[0] != 0x00FC:  # SST
        pos += 4 + struct.unpack_from("<H", stream, pos + 2)[0]
    unique = cfb.stream_offset(chain, pos + 8)
    first = cfb.stream_offset(chain, pos + 12)
    assert first + 2 == cfb.stream_offset(chain, pos + 14), "the first string's length is cut"
    variant("sstcount.dat", [(unique, 0x7FFFFFFF)])
    length = bytearray(good)
    struct.pack_into("<H", length, first, 0xFFFF)
    with open(os.path.join(outdir, "sstlong.dat"), "wb") as f:
        f.write(length)


if __name__ == "__main__":
    main()
