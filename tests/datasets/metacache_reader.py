"""Reads the three metadata cache files by their layout and prints them one item a line.

Usage: metacache_reader.py mcf|mcfds|err FILE | --list LISTFILE

Integers are 32-bit little-endian, Booleans one byte, strings a 32-bit length and bytes
(printed as Latin-1, line breaks as \\n, a lone CR as \\r and a lone LF as \\x0a). One
file cut short or with bytes left over exits 2. The files named one a line in LISTFILE
are each printed after a line "== FILE", a damaged one as "DAMAGED".
"""
import struct
import sys


class Damaged(Exception):
    pass


class Reader:
    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, n):
        if n < 0 or self.at + n > len(self.data):
            raise Damaged()
        part = self.data[self.at:self.at + n]
        self.at += n
        return part

    def int(self):
        return struct.unpack('<i', self.take(4))[0]

    def bool(self):
        return '1' if self.take(1)[0] else '0'

    def str(self):
        text = self.take(self.int()).decode('latin-1').replace('\r\n', '\\n')
        return text.replace('\r', '\\r').replace('\n', '\\x0a')


def mcf(r, print):
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


def mcfds(r, print):
    print('MCFDS', r.str(), r.int())
    for _ in range(r.int()):
        key, db, version = r.str(), r.str(), r.int()
        texts = [r.str() for _ in range(10)]
        print('E', '|'.join([key, db, str(version)] + texts + [r.bool()]))


def err(r, print):
    version = r.int()
    print('ERR', version, r.str(), r.int())
    for _ in range(r.int()):
        print('O', r.str())
        for _ in range(r.int()):
            version, key, text = r.int(), r.str(), r.str()
            print('M', '|'.join([str(version), key, text]))


def read(kind, path):
    """The file's lines, or None when it is damaged."""
    lines = []
    with open(path, 'rb') as f:
        reader = Reader(f.read())
    try:
        {'mcf': mcf, 'mcfds': mcfds, 'err': err}[kind](reader, lambda *items: lines.append(' '.join(map(str, items))))
    except Damaged:
        return None
    return lines if reader.at == len(reader.data) else None


kind = sys.argv[1]
if sys.argv[2] == '--list':
    with open(sys.argv[3]) as names:
        for path in names.read().splitlines():
            lines = read(kind, path)
            print('==', path)
            print('\n'.join(lines) if lines is not None else 'DAMAGED')
else:
    lines = read(kind, sys.argv[2])
    if lines is None:
        sys.exit(2)
    print('\n'.join(lines))
