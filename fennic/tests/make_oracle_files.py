"""Makes image files with independent tools (PIL, tifffile, libtiff's tiffcp,
ImageMagick) together with the values the library must read from them.

Writes into the folder given as the first argument a manifest of lines:
  image <file> <type> <originX> <originY> <type after _GetScanInfo>
                                              a readable file
  case <file> <x> <y> <w> <h> <N> <expected>  a rectangle (file coordinates)
                                              and the numpy N x N means
  refuse <file> <type> <code>                 _GetScanInfo must give code
"""
import os
import struct
import subprocess
import sys

import numpy as np
import tifffile
from PIL import Image

out = sys.argv[1]
rng = np.random.default_rng(5)
H, W = 37, 53  # divisible by neither 2 nor 3
a16 = rng.integers(0, 65536, (H, W), dtype=np.uint16)
a8 = rng.integers(0, 256, (H, W), dtype=np.uint8)
rgb = rng.integers(0, 256, (H, W, 3), dtype=np.uint8)
lines = []


def path(name):
    return os.path.join(out, name)


def tool(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def scan_info(source, ox, oy, w, h):
    b = np.array([source, 0x89ABCDEF, 0x01D12345, ox, oy, w, h, 11811, 11812], '<u4').tobytes()
    return b + np.array([0], '<i4').tobytes() + bytes([0, 1])


def image(name, type_, values, invert=False, ox=0, oy=0, scanned=None):
    """Registers a readable file whose pixel values (in storage order) are
    `values`; `scanned` is the type _GetScanInfo leaves (default `type_`)."""
    lines.append(f'image {name} {type_} {ox} {oy} {type_ if scanned is None else scanned}')
    v = values.astype(np.int64)
    h, w = v.shape
    cases = [(0, 0, w, h, 1), (0, 0, w, h, 2), (0, 0, w, h, 3), (1, 2, w - 1, h - 2, 2),
             (w - 10, h - 7, 10, 7, 3), (w - 1, h - 1, 1, 1, 1), (0, 0, w, h, 37)]
    for i, (x, y, cw, ch, n) in enumerate(cases):
        e = v[y:y + ch, x:x + cw]
        hh, ww = ch // n, cw // n
        e = e[:hh * n, :ww * n].reshape(hh, n, ww, n).sum((1, 3)) // (n * n)
        if invert:
            e = 65535 - e
        exp = f'{name}.{i}.exp'
        e.astype('<u2').tofile(path(exp))
        lines.append(f'case {name} {x + ox} {y + oy} {cw} {ch} {n} {exp}')


# Raw and QEW files, laid out by hand.
with open(path('a.raw'), 'wb') as f:
    f.write(np.array([W, H], '<u2').tobytes() + a16.astype('<u2').tobytes())
image('a.raw', 1, a16)
with open(path('a2.qew'), 'wb') as f:
    f.write(b'QEW\x02' + scan_info(5, 5, 7, W, H) + a16.astype('<u2').tobytes())
image('a2.qew', 10, a16, ox=5, oy=7)
with open(path('a1.qew'), 'wb') as f:
    f.write(b'QEW\x01' + scan_info(5, 9, 3, W, H)[:36] + bytes(range(16)) + a16.astype('<u2').tobytes())
image('a1.qew', 8, a16, ox=9, oy=3)
with open(path('a0.qew'), 'wb') as f:
    f.write(b'QEW\x00' + scan_info(5, 2, 4, W, H)[:36] + a16.astype('<u2').tobytes())
image('a0.qew', 6, a16, ox=2, oy=4)

# TIFF: 8-bit grey, RGB and 16-bit from PIL and tifffile; strips from tiffcp.
Image.fromarray(a8).save(path('t8.tif'))
image('t8.tif', 4, a8)
wide = rgb.astype(np.int64)
Image.fromarray(rgb).save(path('trgb.tif'))
image('trgb.tif', 4, wide[..., 0] * 11 + wide[..., 1] * 59 + wide[..., 2] * 30)
tifffile.imwrite(path('t16.tif'), a16)
image('t16.tif', 4, a16, scanned=9)
Image.fromarray(a16).save(path('tpil16.tif'))
image('tpil16.tif', 4, a16, scanned=9)
tifffile.imwrite(path('t8w.tif'), a8, photometric='miniswhite')
image('t8w.tif', 4, a8, invert=True)
tifffile.imwrite(path('t16w.tif'), a16, photometric='miniswhite')
image('t16w.tif', 4, a16, invert=True, scanned=9)
for src, dst, rows in (('t8.tif', 't8s.tif', 4), ('trgb.tif', 'trgbs.tif', 3), ('t16.tif', 't16s.tif', 5)):
    tool('tiffcp', '-r', str(rows), path(src), path(dst))
image('t8s.tif', 4, a8)
image('trgbs.tif', 4, wide[..., 0] * 11 + wide[..., 1] * 59 + wide[..., 2] * 30)
image('t16s.tif', 4, a16, scanned=9)
# A private block written by another tool (as bytes, elsewhere in the file).
tifffile.imwrite(path('t16p.tif'), a16,
                 extratags=[(55385, 'B', 46, np.array([9], '<u4').tobytes() + scan_info(5, 20, 30, W, H), False)])
image('t16p.tif', 4, a16, ox=20, oy=30, scanned=9)
# Older private blocks: types 5 and 7 with the 36-byte record.
for kind, name in ((5, 't16v0.tif'), (7, 't16v1.tif')):
    tifffile.imwrite(path(name), a16, extratags=[
        (55385, 'B', 40, np.array([kind], '<u4').tobytes() + scan_info(5, 6, 8, W, H)[:36], False)])
    image(name, 4, a16, ox=6, oy=8, scanned=kind)

# Bitmaps: PIL's bottom-up RGB (rows read in storage order, blue weighs 11),
# and a top-down bitmap of 16-bit values with an odd width.
Image.fromarray(rgb).save(path('b24.bmp'))
stored = rgb[::-1].astype(np.int64)
image('b24.bmp', 2, stored[..., 2] * 11 + stored[..., 1] * 59 + stored[..., 0] * 30)
# ImageMagick's 24-bit bitmaps with the 40-byte and the 124-byte info header.
Image.fromarray(rgb).save(path('rgb.png'))
tool('/usr/bin/convert', path('rgb.png'), '-type', 'truecolor', 'BMP3:' + path('im3.bmp'))
image('im3.bmp', 2, stored[..., 2] * 11 + stored[..., 1] * 59 + stored[..., 0] * 30)
tool('/usr/bin/convert', path('rgb.png'), '-type', 'truecolor', 'BMP:' + path('im5.bmp'))
image('im5.bmp', 2, stored[..., 2] * 11 + stored[..., 1] * 59 + stored[..., 0] * 30)
stride = (3 * W + 3) & ~3
rows = np.zeros((H, stride), np.uint8)
rows[:, 0:3 * W:3] = a16 & 0xFF
rows[:, 1:3 * W:3] = a16 >> 8
rows[:, 2:3 * W:3] = 0x99
with open(path('b16.bmp'), 'wb') as f:
    f.write(b'BM' + struct.pack('<IHHI', 54 + H * stride, 0, 0, 54))
    f.write(struct.pack('<IiiHHIIiiII', 40, W, -H, 1, 24, 0, H * stride, 2835, 2835, 0, 0))
    f.write(rows.tobytes())
image('b16.bmp', 3, a16)

# Files to refuse.
tool('tiffcp', '-c', 'lzw', path('t16.tif'), path('lzw.tif'))
lines.append('refuse lzw.tif 4 16')
tool('tiffcp', '-B', path('t16.tif'), path('be.tif'))
lines.append('refuse be.tif 4 16')
tifffile.imwrite(path('rgb16.tif'), np.stack([a16] * 3, -1), photometric='rgb')
lines.append('refuse rgb16.tif 4 16')
Image.fromarray(a8).convert('P').save(path('pal.tif'))
lines.append('refuse pal.tif 4 16')
tifffile.imwrite(path('blk3.tif'), a16,
                 extratags=[(55385, 'B', 46, np.array([3], '<u4').tobytes() + scan_info(2, 0, 0, W, H), False)])
lines.append('refuse blk3.tif 4 16')
Image.fromarray(np.dstack([rgb, a8])).save(path('rgba.bmp'))
lines.append('refuse rgba.bmp 2 14')
tool('/usr/bin/convert', path('t8.tif'), '-type', 'palette', '-compress', 'RLE', 'BMP3:' + path('rle.bmp'))
lines.append('refuse rle.bmp 2 14')
tool('/usr/bin/convert', path('rgb.png'), '-type', 'palette', '-compress', 'none', 'BMP3:' + path('pal.bmp'))
lines.append('refuse pal.bmp 2 14')
tool('/usr/bin/convert', path('rgb.png'), '-define', 'bmp:subtype=RGB565', 'BMP:' + path('565.bmp'))
lines.append('refuse 565.bmp 3 14')

with open(path('manifest'), 'w') as f:
    f.write('\n'.join(lines) + '\n')
