#!/usr/bin/env python3
"""Writes the small image files of this folder: files as they turn up in the
wild (odd but valid, damaged, or in forms the program does not read), each
a few hundred bytes, each showing one way a reader can go wrong.

    tests/data/odd/make-fixtures.py build/src/app/cli/facette-cli

The program is needed only for the JPEG file the JPEG variants start from.
README.md lists what each file is and what opening it must give.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


# --- BMP -------------------------------------------------------------------

def bmp(width, height, bits, compression, extra, pixels, header_size=40, masks_in_header=b''):
    """A BMP file: info header of header_size bytes (masks_in_header fills
    its bytes after the first 40), then extra (masks, palette), then the
    pixel data."""
    info = struct.pack('<IiiHHIIiiII', header_size, width, height, 1, bits, compression,
                       len(pixels), 3780, 3780, 0, 0)
    info += masks_in_header
    info += b'\0' * (header_size - len(info))
    offset = 14 + header_size + len(extra)
    return b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset) + info + extra + pixels


def bmp_files():
    # 2 x 2, 32 bits, version 5 header with an alpha mask. Bottom row first:
    # opaque red, fully transparent green; top row: half-transparent blue,
    # opaque white.
    masks = struct.pack('<IIII', 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    pixels = bytes([0, 0, 255, 255, 0, 255, 0, 0, 255, 0, 0, 128, 255, 255, 255, 255])
    write('bmp-alpha32.bmp', bmp(2, 2, 32, 3, b'', pixels, 124, masks))
    # The same mask, but every alpha value zero: meant to be opaque.
    opaque = bytes([0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0])
    write('bmp-alpha-unused.bmp', bmp(2, 2, 32, 3, b'', opaque, 124, masks))
    # 16 bits, 1-5-5-5 with the alpha bit, masks after a version 1 header
    # (BI_ALPHABITFIELDS): opaque red, transparent red.
    masks16 = struct.pack('<IIII', 0x7C00, 0x03E0, 0x001F, 0x8000)
    write('bmp-alpha16.bmp', bmp(2, 1, 16, 6, masks16, struct.pack('<HH', 0xFC00, 0x7C00)))
    # Forms no reader here takes: 2 bits per pixel (Windows CE), and JPEG
    # or PNG data inside a BMP (meant for printers).
    palette4 = bytes([0, 0, 0, 0, 255, 255, 255, 0, 128, 128, 128, 0, 0, 0, 255, 0])
    write('bmp-2bit.bmp', bmp(4, 1, 2, 0, palette4, bytes([0x1B, 0, 0, 0])))
    write('bmp-embedded-jpeg.bmp', bmp(2, 2, 0, 4, b'', bytes([0xFF, 0xD8, 0xFF, 0xD9])))
    write('bmp-embedded-png.bmp', bmp(2, 2, 0, 5, b'', b'\x89PNG\r\n\x1a\n'))
    # A header claiming 30000 x 30000 pixels over 16 bytes of data.
    write('bmp-huge-claim.bmp', bmp(30000, 30000, 24, 0, b'', bytes(16)))


# --- TIFF ------------------------------------------------------------------

TYPES = {1: 'B', 2: 'B', 3: 'H', 4: 'I', 11: 'f', 16: 'Q'}


def tiff(entries, data, big=False):
    """A little-endian TIFF (or BigTIFF) with one directory. entries are
    (tag, type, values); values of tags 273 and 324 (strip and tile
    offsets) count from the start of data, which follows the directory."""
    entries = sorted(entries)
    inline = 8 if big else 4
    header = b'II+\0' + struct.pack('<HHQ', 8, 0, 16) if big else b'II*\0' + struct.pack('<I', 8)
    directory_size = (8 + 20 * len(entries) + 8) if big else (2 + 12 * len(entries) + 4)
    packed = [struct.pack('<' + TYPES[t] * len(v), *v) for _, t, v in entries]
    outside = sum(len(p) + (len(p) & 1) for p in packed if len(p) > inline)
    data_offset = len(header) + directory_size + outside
    body, extra = b'', b''
    for (tag, kind, values), p in zip(entries, packed):
        if tag in (273, 324):
            values = [v + data_offset for v in values]
            p = struct.pack('<' + TYPES[kind] * len(values), *values)
        if len(p) > inline:
            field = struct.pack('<Q' if big else '<I', len(header) + directory_size + len(extra))
            extra += p + b'\0' * (len(p) & 1)
        else:
            field = p + b'\0' * (inline - len(p))
        body += struct.pack('<HHQ' if big else '<HHI', tag, kind, len(values)) + field
    count = struct.pack('<Q' if big else '<H', len(entries))
    end = b'\0' * (8 if big else 4)
    return header + count + body + end + extra + data


def image(width, height, pixels, bits, samples, photometric, rows=None, compression=1,
          strips=None, extra=(), big=False):
    """Strips given as byte strings (one strip of all pixels by default)."""
    strips = strips or [pixels]
    offsets, at = [], 0
    for s in strips:
        offsets.append(at)
        at += len(s)
    long_type = 16 if big else 4
    entries = [(256, 4, [width]), (257, 4, [height]), (258, 3, [bits] * samples),
               (259, 3, [compression]), (262, 3, [photometric]),
               (273, long_type, offsets), (277, 3, [samples]),
               (278, 4, [rows or height]), (279, long_type, [len(s) for s in strips])]
    entries += list(extra)
    return tiff(entries, b''.join(strips), big)


def tiff_files():
    rgb = bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255]) * 2
    write('tiff-bigtiff.tif', image(4, 2, rgb, 8, 3, 2, big=True))
    # 16 x 16 RGB in four Deflate strips of four rows, whose RowsPerStrip says
    # 2^31 + 1: one strip by that count, four in the file.
    rows = [bytes([(x * 16) & 255, (y * 16) & 255, 128][c] for x in range(16) for c in range(3))
            for y in range(16)]
    strips = [zlib.compress(b''.join(rows[i:i + 4])) for i in range(0, 16, 4)]
    write('tiff-rows-per-strip-overflow.tif',
          image(16, 16, None, 8, 3, 2, rows=0x80000001, compression=8, strips=strips))
    # CIELab, 8 bits: white (100, 0, 0), black, mid grey (50, 0, 0) and the
    # sRGB red seen from D50 (54.29, 80.81, 69.89); a* and b* are signed.
    lab = [(255, 0, 0), (0, 0, 0), (128, 0, 0), (138, 81, 70)]
    lab_bytes = bytes(v & 255 for p in lab for v in p)
    write('tiff-cielab.tif', image(4, 1, lab_bytes, 8, 3, 8))
    # 12-bit grey, samples packed from the high bit: 0, 0x800, 0xFFF, 0x100.
    values = [0x000, 0x800, 0xFFF, 0x100]
    bits = ''.join(format(v, '012b') for v in values)
    grey12 = int(bits, 2).to_bytes(len(bits) // 8, 'big')
    write('tiff-grey12.tif', image(4, 1, grey12, 12, 1, 1))
    # The same with alpha: black opaque, black half covered, white hidden.
    values = [0x000, 0xFFF, 0x000, 0x800, 0xFFF, 0x000]
    bits = ''.join(format(v, '012b') for v in values)
    write('tiff-grey12-alpha.tif', image(3, 1, int(bits, 2).to_bytes(len(bits) // 8, 'big'), 12,
                                         2, 1, extra=[(338, 3, [2])]))
    # 4-bit grey with alpha, which libtiff's RGBA reader refuses: black
    # opaque, black half covered (8 of 15), white hidden.
    write('tiff-grey4-alpha.tif', image(3, 1, bytes([0x0F, 0x08, 0xF0]), 4, 2, 1,
                                        extra=[(338, 3, [2])]))
    # 8-bit grey, 20 x 18 in tiles of 16 x 16: partial tiles at the right
    # and bottom. Pixel (x, y) is 12 x + y.
    tiles = []
    for top in (0, 16):
        for left in (0, 16):
            tiles.append(bytes(((left + x) * 12 + top + y) & 255 if left + x < 20 and top + y < 18
                               else 0 for y in range(16) for x in range(16)))
    offsets = [sum(len(t) for t in tiles[:i]) for i in range(4)]
    write('tiff-tiled.tif', tiff([(256, 4, [20]), (257, 4, [18]), (258, 3, [8]), (259, 3, [1]),
                                  (262, 3, [1]), (277, 3, [1]), (322, 3, [16]), (323, 3, [16]),
                                  (324, 4, offsets), (325, 4, [len(t) for t in tiles])],
                                 b''.join(tiles)))
    # Forms that are not read: 32-bit float grey, 32-bit integer grey and
    # 16-bit CMYK.
    write('tiff-float32.tif', image(2, 1, struct.pack('<ff', 0.25, 1.0), 32, 1, 1,
                                    extra=[(339, 3, [3])]))
    write('tiff-int32.tif', image(2, 1, struct.pack('<II', 1, 2 ** 32 - 1), 32, 1, 1))
    write('tiff-cmyk16.tif', image(2, 1, bytes(16), 16, 4, 5))
    # A directory claiming 60000 x 60000 pixels over 12 bytes.
    write('tiff-huge-claim.tif', image(60000, 60000, bytes(12), 8, 3, 2, rows=1))


# --- PNG -------------------------------------------------------------------

def png(width, height, rows):
    """An 8-bit grey PNG of the given rows (bytes each)."""
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    header = struct.pack('>IIBBBBB', width, height, 8, 0, 0, 0, 0)
    raw = b''.join(b'\0' + row for row in rows)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) +
            chunk(b'IEND', b''))


def png_files():
    # A real picture wider than the program opens (70000 x 1, black), and
    # a header claiming 60000 x 60000 over four rows of data.
    write('png-too-wide.png', png(70000, 1, [bytes(70000)]))
    claim = bytearray(png(4, 4, [bytes(4)] * 4))
    claim[16:24] = struct.pack('>II', 60000, 60000)
    claim[29:33] = struct.pack('>I', zlib.crc32(bytes(claim[12:29])))
    write('png-huge-claim.png', bytes(claim))


# --- JPEG ------------------------------------------------------------------

def segments(jpeg):
    """Offsets of the markers before the first scan, and of the scan."""
    pos, found = 2, []
    while True:
        marker = jpeg[pos + 1]
        found.append((pos, marker))
        if marker == 0xDA:
            return found
        pos += 2 + struct.unpack('>H', jpeg[pos + 2:pos + 4])[0]


def jpeg_files(cli):
    # The starting point: a 32 x 48 gradient, baseline 4:2:0 (three rows of
    # coding blocks), written by the program itself from a BMP.
    pixels = b''.join(bytes([x * 8, y * 5, 255 - x * 8]) for y in range(48) for x in range(32))
    with tempfile.TemporaryDirectory() as work:
        source, target = os.path.join(work, 'g.bmp'), os.path.join(work, 'g.jpg')
        with open(source, 'wb') as f:
            f.write(bmp(32, -48, 24, 0, b'', pixels))
        subprocess.run([cli, 'convert', source, target, '--quality', '85'], check=True,
                       stdout=subprocess.DEVNULL)
        base = open(target, 'rb').read()
    write('jpeg-base.jpg', base)
    marks = segments(base)
    tables = [p for p, m in marks if m == 0xDB][0]
    scan = marks[-1][0]
    scan_data = scan + 2 + struct.unpack('>H', base[scan + 2:scan + 4])[0]
    # Recoverable flaws in the headers, which decoders pass over.
    write('jpeg-stray-bytes.jpg', base[:tables] + b'\0\1\2' + base[tables:])
    adobe = b'Adobe\0\x64\0\0\0\0\1'  # 12 bytes, but the length says 6
    write('jpeg-app14-cut-short.jpg', base[:tables] + b'\xFF\xEE\0\x08' + adobe + base[tables:])
    write('jpeg-ff00-between-segments.jpg', base[:tables] + b'\xFF\0' + base[tables:])
    # Damaged: the coded data stops half-way, with and without an end
    # marker after it, and just after the scan header.
    half = scan_data + (len(base) - 2 - scan_data) // 2
    write('jpeg-cut-with-end-marker.jpg', base[:half] + b'\xFF\xD9')
    write('jpeg-cut.jpg', base[:half])
    write('jpeg-cut-after-header.jpg', base[:scan_data + 4])
    # Forms that are not read: 12-bit samples and lossless coding (only the
    # frame header says so; the reader stops there).
    frame = [p for p, m in marks if m == 0xC0][0]
    twelve = bytearray(base)
    twelve[frame + 4] = 12
    write('jpeg-12-bit.jpg', bytes(twelve))
    lossless = bytearray(base)
    lossless[frame + 1] = 0xC3
    write('jpeg-lossless.jpg', bytes(lossless))
    # EXIF whose camera make is Latin-1, not UTF-8 ("Caméra"), and EXIF
    # whose directory points outside its block.
    def exif(ifd):
        return b'\xFF\xE1' + struct.pack('>H', 2 + 6 + len(ifd)) + b'Exif\0\0' + ifd
    make = b'Cam\xe9ra\0'
    ifd = b'II*\0' + struct.pack('<IHHHII', 8, 1, 271, 2, len(make), 26) + b'\0\0\0\0' + make
    write('jpeg-latin1-exif.jpg', base[:2] + exif(ifd) + base[2:])
    broken = b'II*\0' + struct.pack('<IHHHII', 8, 1, 271, 2, 4000, 0x7FFFFFF0) + b'\0\0\0\0'
    write('jpeg-bad-exif.jpg', base[:2] + exif(broken) + base[2:])


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    bmp_files()
    tiff_files()
    png_files()
    jpeg_files(sys.argv[1])


if __name__ == '__main__':
    main()
