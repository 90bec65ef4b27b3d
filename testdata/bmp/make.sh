#!/bin/sh
# Writes the BMP fixtures of the graphics tests with ImageMagick (Debian's
# /usr/bin/convert). The picture is drawn here, so nothing outside this folder
# is needed. The odd width exercises row padding.
set -eu
cd "$(dirname "$0")"
IM=/usr/bin/convert

# make OPTIONS... OUTPUT: draws the 37 × 21 picture, applies OPTIONS, writes OUTPUT.
make() {
    $IM -size 37x21 gradient:'#ff2000-#0040ff' \
        \( -size 21x37 gradient:'#00ff80-#ffff00' -rotate 90 \) -compose multiply -composite \
        -fill '#20a040' -draw 'rectangle 3,4 12,15' -fill white -draw 'point 36,20' \
        -fill black -draw 'point 0,0' "$@"
}

make -type TrueColor BMP2:rgb24-core.bmp
make -type Palette -colors 200 BMP2:pal8-core.bmp
make -type TrueColor BMP3:rgb24.bmp
make -type Palette -colors 200 -compress None BMP3:pal8.bmp
make -type Palette -colors 12 -compress None BMP3:pal4.bmp
make -monochrome -compress None BMP3:mono.bmp
make -type Palette -colors 200 -compress RLE BMP3:rle8.bmp
# 16 bits with the masks in a long header. (Asked for a 40-byte header,
# ImageMagick marks the file as bit fields but leaves out the masks.) Qt's
# reader widens 5- and 6-bit channels without filling the low bits, so the
# tests compare these with ImageMagick's own 24-bit decoding of them.
make -alpha off -define bmp:subtype=RGB555 BMP:bitfields555.bmp
make -alpha off -define bmp:subtype=RGB565 BMP:bitfields565.bmp
$IM bitfields555.bmp -type TrueColor BMP3:bitfields555-decoded.bmp
$IM bitfields565.bmp -type TrueColor BMP3:bitfields565-decoded.bmp
make -alpha set -type TrueColorAlpha BMP:bitfields32.bmp
# ImageMagick writes no RLE4: encode pal4.bmp's rows with encoded runs for
# repeats and absolute runs for the rest.
python3 - <<'PY'
import struct
src = open('pal4.bmp', 'rb').read()
off = struct.unpack_from('<I', src, 10)[0]
width, height = struct.unpack_from('<ii', src, 18)
stride = ((4 * width + 31) // 32) * 4
out = bytearray()
for y in range(height):
    row = src[off + y * stride: off + (y + 1) * stride]
    px = [(row[x // 2] >> 4) if x % 2 == 0 else (row[x // 2] & 15) for x in range(width)]
    x = 0
    while x < width:
        n = 1
        while x + n < width and n < 255 and px[x + n] == px[x]:
            n += 1
        if n >= 3 or width - x < 3:
            out += bytes([n, px[x] << 4 | px[x]])
            x += n
            continue
        m = 3
        while x + m < width and m < 255 and not (x + m + 2 < width and px[x + m] == px[x + m + 1] == px[x + m + 2]):
            m += 1
        chunk = px[x:x + m] + [0]
        data = bytes(chunk[i] << 4 | chunk[i + 1] for i in range(0, m, 2))
        out += bytes([0, m]) + data + (b'\0' if len(data) % 2 else b'')
        x += m
    out += b'\0\0'
out += b'\0\1'
header = bytearray(src[:off])
struct.pack_into('<I', header, 2, off + len(out))
struct.pack_into('<II', header, 30, 2, len(out))
open('rle4.bmp', 'wb').write(bytes(header) + bytes(out))
PY
