#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets and the HTML targets' dictionary.

    make_seeds.py SOURCE_DIR DICTIONARY_DIR OUT_DIR

DICTIONARY_DIR holds the sample dictionary (tools/make_dictionary.py). Writes
OUT_DIR/<target>/ seed folders and OUT_DIR/html.dict: the tag and attribute
names of the HTML scanner and the property names of the style sheet reader,
taken from their sources so the list never falls behind them.
"""
import os
import re
import struct
import sys


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def articles(dictionary):
    """(head, [article bytes]) of the sample: each record of voc.ind names its
    article in voc.dat by offset and length."""
    with open(os.path.join(dictionary, 'voc.ind'), 'rb') as f:
        index = f.read()
    with open(os.path.join(dictionary, 'voc.dat'), 'rb') as f:
        dat = f.read()
    with open(os.path.join(dictionary, 'voc.hd'), 'rb') as f:
        head = f.read()
    count, = struct.unpack_from('<i', index)
    pos, found = 4, []
    for _ in range(count):
        offset, length, key_len, name_len = struct.unpack_from('<iiBB', index, pos)
        pos += 10 + key_len + 2 * name_len
        found.append(dat[offset:offset + length])
    return head, found


# ---- BMP files of every kind the reader takes

def bmp(width, height, bits, pixels, compression=0, colours=None, masks=None, core=False, top_down=False,
        header_size=40):
    table = b''
    if bits <= 8:
        entries = colours if colours is not None else 1 << bits
        table = b''.join(bytes((i * 40 % 256, i * 90 % 256, i * 150 % 256)) + (b'' if core else b'\0')
                         for i in range(entries))
    if core:
        info = struct.pack('<IHHHH', 12, width, height, 1, bits)
    else:
        info = struct.pack('<IiiHHIIiiII', header_size, width, -height if top_down else height, 1, bits,
                           compression, len(pixels), 2835, 2835, colours or 0, 0)
        if header_size > 40:
            extra = struct.pack('<III', *(masks or (0, 0, 0))) + b'\0' * (header_size - 52)
            info += extra
        elif masks:
            info += struct.pack('<III', *masks)
    offset = 14 + len(info) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + info + table + pixels


def plain_rows(width, height, bits):
    stride = (width * bits + 31) // 32 * 4
    return bytes((x * 37 + y * 11) % 256 for y in range(height) for x in range(stride))


def bmp_seeds():
    seeds = {}
    for bits in (1, 4, 8, 16, 24, 32):
        seeds['plain%d.bmp' % bits] = bmp(7, 5, bits, plain_rows(7, 5, bits))
        seeds['topdown%d.bmp' % bits] = bmp(7, 5, bits, plain_rows(7, 5, bits), top_down=True)
    seeds['core8.bmp'] = bmp(7, 5, 8, plain_rows(7, 5, 8), core=True)
    seeds['core1.bmp'] = bmp(9, 3, 1, plain_rows(9, 3, 1), core=True)
    seeds['colours3.bmp'] = bmp(7, 5, 8, plain_rows(7, 5, 8), colours=3)
    for name, bits, masks in (('565', 16, (0xF800, 0x07E0, 0x1F)), ('555', 16, (0x7C00, 0x3E0, 0x1F)),
                              ('444', 16, (0xF00, 0xF0, 0xF)), ('8888', 32, (0xFF0000, 0xFF00, 0xFF)),
                              ('odd32', 32, (0x3FF00000, 0xFFC00, 0x3FF))):
        seeds['fields%s.bmp' % name] = bmp(6, 4, bits, plain_rows(6, 4, bits), compression=3, masks=masks)
        seeds['fields%s_v4.bmp' % name] = bmp(6, 4, bits, plain_rows(6, 4, bits), compression=3, masks=masks,
                                              header_size=108)
    seeds['v5_24.bmp'] = bmp(5, 3, 24, plain_rows(5, 3, 24), header_size=124)
    seeds['v3_24.bmp'] = bmp(5, 3, 24, plain_rows(5, 3, 24), header_size=56, masks=(0, 0, 0))
    # Run-length data: runs, literals (odd and even), deltas, line and file ends.
    rle8 = bytes((3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 4, 2, 0, 0, 200, 7, 0, 1))
    seeds['rle8.bmp'] = bmp(12, 4, 8, rle8, compression=1, colours=8)
    rle8_open = bytes((5, 9, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0))
    seeds['rle8_no_end.bmp'] = bmp(12, 4, 8, rle8_open, compression=1)
    # Without its data size (as some writers leave it): the codes run to the
    # end of the file, however far the stretch driver takes it.
    unsized = bytearray(seeds['rle8.bmp'])
    unsized[34:38] = bytes(4)
    seeds['rle8_unsized.bmp'] = bytes(unsized)
    rle4 = bytes((4, 0x12, 0, 4, 0x34, 0x56, 0, 0, 0, 2, 1, 1, 7, 0xAB, 0, 3, 0x9C, 0xD0, 0, 1))
    seeds['rle4.bmp'] = bmp(11, 3, 4, rle4, compression=2, colours=16)
    return seeds


def frame_seeds():
    lists = [b'*,*', b'100,*,2*', b'25%,50%,*', b'150, 3*, 10%', b'*', b'0,-5,x,,', b'99999,1000000%,1000*',
             b'1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22', b' 40 , 60% ,* ,2 *']
    return {'list%d' % i: struct.pack('<H', 1000 + 640 + 37 * i) + text for i, text in enumerate(lists)}


def html_dictionary(source):
    """Tag and attribute names from the scanner, property names from the style readers."""
    with open(os.path.join(source, 'src', 'html', 'html_scanner.cpp'), encoding='utf-8') as f:
        names = set(re.findall(r'"([A-Z][A-Z0-9-]{0,15})"', f.read()))
    properties = set()
    for name in ('style_props.cpp', 'style_parser.cpp', 'colors.cpp'):
        path = os.path.join(source, 'src', 'html', name)
        if os.path.exists(path):
            with open(path, encoding='utf-8') as f:
                properties |= set(re.findall(r'"([a-z][a-z-]{2,30})"', f.read()))
    lines = []
    for n in sorted(names):
        lines += ['"<%s"' % n, '"</%s>"' % n, '" %s="' % n]
    lines += ['"%s:"' % p for p in sorted(properties)]
    lines += ['"&amp;"', '"&#1072;"', '"&#x430;"', '"<!--"', '"-->"', '"<STYLE>"', '"{"', '"}"', '"url("',
              '"rgb("', '"#"', '"%"', '"px"', '"pt"', '"em"', '"!important"', '"@import"']
    return '\n'.join(lines) + '\n'


def main():
    source, dictionary, out = sys.argv[1:4]
    head, found = articles(dictionary)
    tail = b'</BODY></HTML>'
    for i, article in enumerate(found):
        write(os.path.join(out, 'html'), 'article%d.htm' % i, head + article + tail)
        write(os.path.join(out, 'article'), 'article%d' % i, article)
    for name in ('osnov.htm', 'montage.htm'):
        with open(os.path.join(dictionary, name), 'rb') as f:
            write(os.path.join(out, 'html'), name, f.read())
    for name, data in bmp_seeds().items():
        write(os.path.join(out, 'bmp'), name, data)
        write(os.path.join(out, 'image_header'), name, data[:64])
    with open(os.path.join(dictionary, 'socket.bmp'), 'rb') as f:
        write(os.path.join(out, 'bmp'), 'socket.bmp', f.read())
    for name in ('cable.jpg', 'socket.bmp', 'legend.png', 'osi.png', 'rack.png', 'topology.gif', 'packet.gif'):
        with open(os.path.join(dictionary, name), 'rb') as f:
            write(os.path.join(out, 'image_header'), name, f.read()[:1024])
    with open(os.path.join(dictionary, 'cable.jpg'), 'rb') as f:
        cable = f.read()
    for mode in (0, 1, 2 | (63 << 2), 3 | (10 << 2)):
        write(os.path.join(out, 'jpeg'), 'cable%d' % mode, bytes((mode,)) + cable)
    for name, data in frame_seeds().items():
        write(os.path.join(out, 'frame_sizes'), name, data)
    with open(os.path.join(dictionary, 'voc.ind'), 'rb') as f:
        index = f.read()
    dat_size = os.path.getsize(os.path.join(dictionary, 'voc.dat'))
    for name, size in (('sample', dat_size), ('short_dat', dat_size // 2), ('no_dat', -1)):
        write(os.path.join(out, 'term_index'), name, struct.pack('<q', size) + index)
    with open(os.path.join(dictionary, 'unicod.bin'), 'rb') as f:
        table = f.read()
    # The sample's table padded to all 256 records, before two articles.
    full = table + b''.join(struct.pack('<ii', 0x2000 + i, 0x80 + i % 64) for i in range(256 - len(table) // 8))
    for i, article in enumerate(found[:4]):
        write(os.path.join(out, 'unicode_table'), 'sample%d' % i, struct.pack('<H', len(table)) + table + article)
        write(os.path.join(out, 'unicode_table'), 'full%d' % i, struct.pack('<H', len(full)) + full + article)
    with open(os.path.join(out, 'html.dict'), 'w', encoding='ascii') as f:
        f.write(html_dictionary(source))


if __name__ == '__main__':
    main()
