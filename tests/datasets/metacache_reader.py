"""Reads the three metadata cache files by their layout and prints them one item a line.

Usage: metacache_reader.py mcf|mcfds|err FILE

Integers are 32-bit little-endian, Booleans one byte, strings a 32-bit length and bytes
(printed as Latin-1, line breaks as \\n). A file cut short or with bytes left over exits 2.
"""
import struct
import sys


class Reader:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, n):
        if n < 0 or self.at + n > len(self.data):
            sys.exit(2)
        part = self.data[self.at:self.at + n]
        self.at += n
        return part

    def int(self):
        return struct.unpack('<i', self.take(4))[0]

    def bool(self):
        return '1' if self.take(1)[0] else '0'

    def str(self):
        return self.take(self.int()).decode('latin-1').replace('\r\n', '\\n')


def mcf(r):
    print('MCF', r.str(), r.int(), r.int())
    for _ in range(r.int()):
        key = r.str()
        db, table, repo = r.str(), r.str(), r.bool()
        fmt, ver, pk = r.int(), r.int(), r.str()
        print('T', '|'.join([key, db, table, repo, str(fmt), str(ver), pk]))
        for _ in range(r.int()):
            name = r.str()
            flags = ''.join(r.bool() for _ in range(6))
            width, charset = r.int(), r.int()
            texts = [r.str() for _ in range(6)]
            print('F', '|'.join([name, flags, str(width), str(charset)] + texts))


def mcfds(r):
    print('MCFDS', r.str(), r.int())
    for _ in range(r.int()):
        key, db, version = r.str(), r.str(), r.int()
        texts = [r.str() for _ in range(10)]
        print('E', '|'.join([key, db, str(version)] + texts + [r.bool()]))


def err(r):
    version = r.int()
    print('ERR', version, r.str(), r.int())
    for _ in range(r.int()):
        print('O', r.str())
        for _ in range(r.int()):
            version, key, text = r.int(), r.str(), r.str()
            print('M', '|'.join([str(version), key, text]))


kind, path = sys.argv[1], sys.argv[2]
with open(path, 'rb') as f:
    reader = Reader(f.read())
{'mcf': mcf, 'mcfds': mcfds, 'err': err}[kind](reader)
if reader.at != len(reader.data):
    sys.exit(2)
