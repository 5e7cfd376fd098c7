#!/usr/bin/env python3
"""Independent decoder of the table file format, written from its description: reads every
*.d file in the folder given and compares what it finds with the engine's own *.expect dump."""
import glob
import os
import struct
import sys

LETTERS = {'l': (1, 2), 'i': (2, 4), 'b': (3, 2), 'f': (4, 8), 'c': (5, 8), 'd': (6, 4), 'v': (7, 4),
           't': (8, 8), 'a': (9, 4), 's': (11, 4), 'o': (12, 8), 'm': (13, 8), 'r': (14, 8), 'g': (15, 8)}


def decode(data):
    total, = struct.unpack_from('<I', data, 0)
    if total != len(data):
        raise ValueError('total length %d, file %d bytes' % (total, len(data)))
    if data[4:5] != b'S':
        raise ValueError('marker %r' % data[4:5])
    count, nfields, seclen = struct.unpack_from('<III', data, 5)
    section = data[17:17 + seclen]
    pos = 17 + seclen
    items = section.split(b'\x12')
    if items[-1] != b'\x14' or len(items) - 1 != nfields:
        raise ValueError('field section %r' % section)
    fields = []
    for item in items[:-1]:
        full, rest = item.split(b' ', 1)
        name = full.split(b'.', 1)[1] if b'.' in full else full
        letter = chr(rest[0])
        if letter.isdigit() or letter.isupper():
            length = int(letter) if letter.isdigit() else ord(letter) - ord('A') + 10
            code, size = 10, length + 1
        else:
            code, size = LETTERS[letter]
            length = (int(rest[1:]) if rest[1:] else 100) if letter == 's' else 0
        fields.append((name.decode('latin-1'), code, size, length))
    lines = ['fields ' + ' '.join('%s:%d:%d' % (n, c, l) for n, c, s, l in fields)]
    notes = b''
    if pos < len(data) and data[pos:pos + 1] == b'*':
        k, = struct.unpack_from('<h', data, pos + 1)
        notes = data[pos + 3:pos + 3 + k]
        pos += 3 + k
    lines.append('notes ' + (notes.hex() or '-'))
    for _ in range(count):
        lengths = data[pos:pos + nfields]
        pos += nfields
        values = []
        for (name, code, size, length), b in zip(fields, lengths):
            if b == 0:
                values.append('-')
                continue
            if code >= 11:
                n, = struct.unpack_from('<I', data, pos)
                values.append(data[pos + 4:pos + 4 + n].hex() or '-')
                pos += 4 + n
                continue
            raw = data[pos:pos + b]
            pos += b
            if code == 10:
                values.append(raw.hex())
            elif size == 8:
                values.append('%.17g' % struct.unpack('<d', raw.ljust(8, b'\0'))[0])
            elif size == 2:
                values.append(str(struct.unpack('<h', raw.ljust(2, b'\0'))[0]))
            else:
                values.append(str(struct.unpack('<i', raw.ljust(4, b'\0'))[0]))
        lines.append('row ' + ' '.join(values))
    if pos != len(data):
        raise ValueError('%d bytes after the records' % (len(data) - pos))
    return '\n'.join(lines) + '\n'


def main(folder):
    files = sorted(glob.glob(os.path.join(folder, '*.d')))
    if not files:
        print('no table files in', folder)
        return 1
    failed = 0
    for name in files:
        with open(name, 'rb') as f:
            got = decode(f.read())
        with open(name[:-2] + '.expect', 'rb') as f:
            want = f.read().decode('latin-1')
        ok = got == want
        print('%s: %s' % (os.path.basename(name), 'ok' if ok else 'DIFFERS'))
        if not ok:
            print('decoded:\n' + got + 'engine:\n' + want)
            failed += 1
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1]))
