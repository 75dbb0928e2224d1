#!/usr/bin/env python3
"""Runs tools/make_dictionary.py into a temporary folder and reads every file
back with readers written here from the byte layouts, not with the generator's
own writers."""

import itertools
import math
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..'))
GENERATOR = os.path.join(ROOT, 'tools', 'make_dictionary.py')
sys.path.insert(0, os.path.dirname(GENERATOR))
sys.dont_write_bytecode = True   # leave no cache beside the generator
import make_dictionary as md  # noqa: E402  (for the sample source and the drawings)


def run_generator(*args):
    return subprocess.run([sys.executable, GENERATOR] + [str(a) for a in args],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def read(folder, name):
    with open(os.path.join(folder, name), 'rb') as f:
        return f.read()


def read_index(data):
    count, pos, terms = struct.unpack_from('<i', data)[0], 4, []
    for _ in range(count):
        offset, length, key_len, name_len = struct.unpack_from('<iiBB', data, pos)
        pos += 10
        key, name = data[pos:pos + key_len], data[pos + key_len:pos + key_len + 2 * name_len]
        pos += key_len + 2 * name_len
        terms.append((offset, length, key, name.decode('utf-16-le')))
    assert pos == len(data), 'index has %d bytes after its records' % (len(data) - pos)
    return terms


def read_all_words(dat, ind):
    count, pos, words = struct.unpack_from('<i', dat)[0], 4, []
    rows = struct.unpack('<%di' % (len(ind) // 4), ind)
    while b'$' in dat[pos:]:
        end = dat.index(b'$', pos)
        n, first = struct.unpack_from('<ii', dat, end + 1)
        words.append((dat[pos:end], list(rows[first:first + n]), first, n))
        pos = end + 9
    assert pos == len(dat) and len(words) == count
    return words, len(rows)


def bmp_picture(data):
    """(width, height, pixel(x, y) -> (r, g, b)) of a 24-bit BMP."""
    magic, size, _, _, offset = struct.unpack_from('<2sIHHI', data)
    header, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    stride = (3 * width + 3) // 4 * 4
    assert (magic, size, header, planes, bits, compression) == (b'BM', len(data), 40, 1, 24, 0)
    assert width > 0 and height > 0 and offset + stride * height == len(data)

    def pixel(x, y):
        p = offset + (height - 1 - y) * stride + 3 * x
        return data[p + 2], data[p + 1], data[p]
    return width, height, pixel


class SchemeReader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        assert self.pos + n <= len(self.data), 'scheme ends inside a record'
        self.pos += n
        return self.data[self.pos - n:self.pos]

    def int32(self):
        return struct.unpack('<i', self.take(4))[0]

    def font(self):
        size, color, bold, name_len = struct.unpack('<BiBB', self.take(7))
        return size, color, bold, self.take(name_len).decode('cp1251')

    def bitmap(self):
        length = self.int32()
        return bmp_picture(self.take(length)) if length else None

    def button(self):
        return struct.unpack('<6B', self.take(6)), self.bitmap()

    def many(self, read):
        return [read() for _ in range(self.int32())]


def read_scheme(data):
    r, s = SchemeReader(data), {}
    s['caption_font'], s['gradient_start'], s['dock'] = r.font(), r.int32(), r.bitmap()
    s['buttons'] = r.many(r.button)
    r.bitmap(), r.int32(), r.int32(), r.int32(), r.many(r.button)
    r.int32(), r.font(), r.int32(), r.font()
    s['text_back'], s['text_font'] = r.int32(), r.font()
    s['text_frame'] = [r.bitmap() for _ in range(8)]
    s['list_font'], s['list_back'] = r.font(), r.int32()
    s['list_frame'] = [r.bitmap() for _ in range(8)]
    r.many(r.bitmap)
    s['menu_font'], s['menu_colors'] = r.font(), [r.int32() for _ in range(6)]
    s['caption_colors'], s['separators'] = [r.int32() for _ in range(5)], [r.int32() for _ in range(3)]
    r.bitmap()
    s['palette'] = r.many(r.int32)
    assert r.pos == len(data), 'scheme has %d bytes after its last item' % (len(data) - r.pos)
    return s


def lzw_decode(stream, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    bits, total, pos = int.from_bytes(stream, 'little'), 8 * len(stream), 0
    size, table, prev, out = min_size + 1, [], None, []
    while pos + size <= total:
        code = bits >> pos & ((1 << size) - 1)
        pos += size
        if code == clear:
            table, size, prev = [[i] for i in range(clear)] + [None, None], min_size + 1, None
            continue
        if code == end:
            return out
        entry = table[code] if code < len(table) else prev + prev[:1]
        if prev is not None:
            if len(table) < 4096:
                table.append(prev + entry[:1])
            if len(table) == 1 << size and size < 12:
                size += 1
        out += entry
        prev = entry
    raise AssertionError('LZW data has no end code')


def gif_frames(data):
    """(width, height, frames as lists of palette indices, loop count)."""
    width, height, flags = struct.unpack_from('<HHB', data, 6)
    assert data[:6] == b'GIF89a' and flags & 0x80
    pos, frames, loop = 13 + 3 * (2 << (flags & 7)), [], None
    while data[pos] != 0x3B:
        if data[pos] == 0x21:       # extension: label, sub-blocks
            image, label, pos = False, data[pos + 1], pos + 2
        else:                       # image: 10-byte descriptor, LZW code size, sub-blocks
            assert data[pos] == 0x2C and data[pos + 9] == 0
            image, min_size, pos = True, data[pos + 10], pos + 11
        blocks = []
        while data[pos]:
            blocks.append(data[pos + 1:pos + 1 + data[pos]])
            pos += 1 + data[pos]
        pos += 1
        if image:
            frames.append(lzw_decode(b''.join(blocks), min_size))
        elif label == 0xFF and blocks[0] == b'NETSCAPE2.0':
            loop = struct.unpack_from('<H', blocks[1], 1)[0]
    return width, height, frames, loop


def png_chunks(data):
    """[(type, body)], checking every chunk's CRC."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    pos, chunks = 8, []
    while pos < len(data):
        length, kind = struct.unpack_from('>I4s', data, pos)
        body = data[pos + 8:pos + 8 + length]
        assert struct.unpack_from('>I', data, pos + 8 + length)[0] == zlib.crc32(kind + body)
        chunks.append((kind, body))
        pos += 12 + length
    return chunks


def png_rows(data, color_type=2):
    """(width, height, rows of samples: RGB bytes, or palette indices for colour type 3)."""
    chunks = png_chunks(data)
    width, height, depth, kind = struct.unpack_from('>IIBB', chunks[0][1])
    assert chunks[0][0] == b'IHDR' and (depth, kind) == (8, color_type)
    step = 3 if color_type == 2 else 1
    idat = b''.join(body for kind, body in chunks if kind == b'IDAT')
    raw, stride, prev, rows = zlib.decompress(idat), step * width, bytes(step * width), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = (line[i - step] if i >= step else 0), prev[i], (prev[i - step] if i >= step else 0)
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            paeth = a if pa <= pb and pa <= pc else b if pb <= pc else c
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


class JpegReader:
    """Decodes a baseline JPEG with 1x1 sampling to RGB pixels."""
    def __init__(self, data):
        assert data[:2] == b'\xff\xd8' and data[-2:] == b'\xff\xd9'
        self.quant, self.tables, pos = {}, {}, 2
        while True:
            marker, length = struct.unpack_from('>xBH', data, pos)
            body, pos = data[pos + 4:pos + 2 + length], pos + 2 + length
            if marker == 0xDB:
                for i in range(0, len(body), 65):
                    assert body[i] >> 4 == 0
                    self.quant[body[i]] = list(body[i + 1:i + 65])
            elif marker == 0xC4:
                i = 0
                while i < len(body):
                    bits, count = body[i + 1:i + 17], sum(body[i + 1:i + 17])
                    codes, code, k = {}, 0, 0
                    for length_ in range(1, 17):
                        for _ in range(bits[length_ - 1]):
                            codes[(code, length_)] = body[i + 17 + k]
                            code, k = code + 1, k + 1
                        assert code < 1 << length_, 'a code of all ones or too many codes'
                        code <<= 1
                    self.tables[body[i]] = codes
                    i += 17 + count
            elif marker == 0xC0:
                precision, self.height, self.width, n = struct.unpack_from('>BHHB', body)
                self.components = [tuple(body[6 + 3 * k:9 + 3 * k]) for k in range(n)]
                assert precision == 8 and all(s == 0x11 for _, s, _ in self.components)
            elif marker == 0xDA:
                stuffed = data[pos:-2]
                assert stuffed.count(b'\xff') == stuffed.count(b'\xff\x00'), 'a marker inside the scan'
                self.scan = stuffed.replace(b'\xff\x00', b'\xff')
                self.selectors = [body[2 + 2 * k] for k in range(body[0])]
                break

    def pixels(self):
        bits = ''.join('{:08b}'.format(b) for b in self.scan)
        at, w, h = 0, self.width, self.height

        def symbol(table):
            nonlocal at
            code, length = 0, 0
            while (code, length) not in table:
                code, length, at = code << 1 | (bits[at] == '1'), length + 1, at + 1
                assert length <= 16
            return table[(code, length)]

        def extra(size):
            nonlocal at
            if size == 0:
                return 0
            value, at = int(bits[at:at + size], 2), at + size
            return value if value >= 1 << (size - 1) else value - (1 << size) + 1

        zigzag = sorted(((r, c) for r in range(8) for c in range(8)),
                        key=lambda rc: (rc[0] + rc[1], rc[0] if (rc[0] + rc[1]) % 2 else -rc[0]))
        basis = [[(math.sqrt(0.5) if u == 0 else 1.0) / 2 * math.cos((2 * x + 1) * u * math.pi / 16)
                  for u in range(8)] for x in range(8)]
        planes, previous = [[0.0] * (w * h) for _ in self.components], [0] * len(self.components)
        for by in range(0, h, 8):
            for bx in range(0, w, 8):
                for k, (_, _, q) in enumerate(self.components):
                    dc, ac = self.tables[self.selectors[k] >> 4], self.tables[0x10 | self.selectors[k] & 15]
                    coef = [0] * 64
                    previous[k] += extra(symbol(dc))
                    coef[0], i = previous[k], 1
                    while i < 64:
                        rs = symbol(ac)
                        if rs == 0:
                            break
                        i += rs >> 4
                        coef[i], i = extra(rs & 15), i + 1
                    grid = [[0.0] * 8 for _ in range(8)]
                    for n, (r, c) in enumerate(zigzag):
                        grid[r][c] = coef[n] * self.quant[q][n]
                    for y in range(min(8, h - by)):
                        for x in range(min(8, w - bx)):
                            planes[k][(by + y) * w + bx + x] = sum(
                                basis[y][v] * basis[x][u] * grid[v][u] for v in range(8) for u in range(8))
        assert len(bits) - at < 8 and set(bits[at:]) <= {'1'}
        out = []
        for y_, cb, cr in zip(*planes):
            y_ += 128
            out.append(tuple(min(255, max(0, round(v))) for v in (
                y_ + 1.402 * cr, y_ - 0.344136 * cb - 0.714136 * cr, y_ + 1.772 * cb)))
        return out


def html_color(text):
    return int(text[5:7] + text[3:5] + text[1:3], 16)


def rgb(text):
    return int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16)


class SampleDictionaryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        result = run_generator(cls.dir)
        assert result.returncode == 0, result.stderr.decode()
        cls.terms = read_index(read(cls.dir, 'voc.ind'))
        cls.dat = read(cls.dir, 'voc.dat')
        cls.source = md.read_articles(os.path.join(md.SAMPLE_DIR, 'articles.txt'))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def article(self, term):
        offset, length = term[0], term[1]
        return self.dat[offset:offset + length]

    def test_index_holds_exactly_the_source_terms(self):
        expected = sorted(n for names, _ in self.source for n in names)
        self.assertEqual(sorted(t[3] for t in self.terms), expected)
        self.assertTrue(50 <= len(self.terms) <= 80)

    def test_keys_are_names_upper_cased_without_stress_marks(self):
        for _, _, key, name in self.terms:
            self.assertEqual(key, name.replace('\u0301', '').upper().encode('cp1251'), name)
            self.assertTrue(0 < len(key) <= 255 and len(name) <= 255)

    def test_keys_are_in_alphabetical_order_with_yo_after_ye(self):
        keys = [t[2].decode('cp1251') for t in self.terms]
        alphabet = ' -ABCDEFGHIJKLMNOPQRSTUVWXYZАБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ'
        self.assertEqual(keys, sorted(keys, key=lambda k: [alphabet.index(c) for c in k]))
        self.assertLess(keys.index('ДОМЕН'), keys.index('ЁМКОСТЬ КАНАЛА'))
        self.assertLess(keys.index('ЁМКОСТЬ КАНАЛА'), keys.index('ЗАДЕРЖКА'))

    def test_records_point_at_their_own_articles(self):
        for term in self.terms:
            text = self.article(term).decode('cp1251').replace('&#769;', '\u0301')
            self.assertTrue(text.startswith('<p class=term><b>'), term[3])
            self.assertIn(term[3], text.split('</p>')[0])
            self.assertTrue(text.endswith('\r\n'))
        spans = sorted({(t[0], t[1]) for t in self.terms})
        self.assertEqual(len(spans), len(self.source))
        self.assertEqual([o for o, _ in spans], [0] + [o + n for o, n in spans[:-1]])
        self.assertEqual(spans[-1][0] + spans[-1][1], len(self.dat))

    def test_word_index_agrees_with_the_articles(self):
        words, row_count = read_all_words(read(self.dir, 'allvurts.dat'), read(self.dir, 'allvurts.ind'))
        self.assertEqual([w for w, _, _, _ in words], sorted({w for w, _, _, _ in words}))
        counts = [n for *_, n in words]
        self.assertEqual([f for _, _, f, _ in words], [0] + list(itertools.accumulate(counts))[:-1])
        self.assertEqual(sum(counts), row_count)
        rows_of = {w: rows for w, rows, _, _ in words}
        for word, rows, _, _ in words:
            self.assertTrue(rows and rows == sorted(set(rows)) and rows[-1] < len(self.terms), word)
            for row in rows:   # the word is really there, ё read as е, stress references dropped,
                # named references read as the hit marking reads them
                text = re.sub(r'<[^>]*>', ' ', self.article(self.terms[row]).decode('cp1251'))
                text = re.sub(r'&([A-Za-z]+);', lambda m: md.SCAN_ENTITIES.get(
                    m.group(1).upper().encode(), m.group(0).encode()).decode('cp1251'), text)
                self.assertIn(word.decode('cp1251'), text.replace('&#769;', '').upper().replace('Ё', 'Е'))
        for row, term in enumerate(self.terms):   # and every word the hit marking finds is indexed
            for word, _, _ in md.scan_words(self.article(term)):
                self.assertIn(row, rows_of[md.upper_1251(word)])

    def test_schemes_parse_back_record_by_record(self):
        described = md.read_schemes(os.path.join(md.SAMPLE_DIR, 'schemes.txt'))
        self.assertIn('апельсин', described)
        self.assertGreaterEqual(len(described), 2)
        for name, d in described.items():
            s = read_scheme(read(self.dir, os.path.join('schema', name + '.sch')))
            with self.subTest(scheme=name):
                self.assertEqual(s['text_back'], html_color(d['text.back']))
                self.assertEqual(s['list_back'], html_color(d['list.back']))
                size, color, bold, face = d['text.font'].split(None, 3)
                self.assertEqual(s['text_font'], (int(size), html_color(color), bold == 'bold', face))
                self.assertEqual(s['palette'][12], html_color(d['palette'].split()[12]))
                self.assertTrue(13 <= len(s['palette']) <= 20)
                self.assertEqual(s['separators'][2], 0x80000004 - (1 << 32))
                width, height, pixel = s['dock']
                self.assertEqual(pixel(0, height - 1), rgb(d['menubar'].split()[1]))
                widths = [int(w) for w in d['menubar.buttons'].split()]
                self.assertEqual([b[0][4] for b in s['buttons']], widths[:4] + [16] + widths[4:])
                self.assertEqual([b[0][5] for b in s['buttons']], [21] * 6)
                for key, frame in (('text.frame', s['text_frame']), ('list.frame', s['list_frame'])):
                    self.check_frame(frame, rgb(d[key].split()[2]))

    def check_frame(self, frame, outer):
        left, top, right, bottom, lt, rt, lb, rb = frame
        self.assertEqual({left[0], lt[0], lb[0], right[0], rt[0], rb[0]}, {lt[0]})
        self.assertEqual({top[1], lt[1], rt[1], bottom[1], lb[1], rb[1]}, {lt[1]})
        # the outer edge of every strip is the outer colour: catches a flipped picture
        self.assertEqual([left[2](0, 5), top[2](5, 0), right[2](right[0] - 1, 5), bottom[2](5, bottom[1] - 1)],
                         [outer] * 4)
        self.assertEqual([lt[2](0, 0), rb[2](rb[0] - 1, rb[1] - 1)], [outer] * 2)

    def test_ini_names_a_scheme_and_the_registry_key(self):
        ini = read(self.dir, 'voc.ini').decode('cp1251')
        self.assertIn('\r\n', ini)
        values = dict(line.split('=', 1) for line in ini.splitlines() if '=' in line)
        self.assertTrue(os.path.isfile(os.path.join(self.dir, 'schema', values['Schema'])))
        self.assertTrue(os.path.isfile(os.path.join(self.dir, 'schema', 'апельсин.sch')))
        self.assertRegex(values['RegKey'], r'^[A-Za-z0-9_]+$')
        self.assertTrue(values['Title'])

    def test_unicode_table(self):
        data = read(self.dir, 'unicod.bin')
        self.assertTrue(len(data) % 8 == 0 and len(data) <= 256 * 8)
        table = dict(struct.unpack('<%di' % (len(data) // 4), data)[i:i + 2] for i in range(0, len(data) // 4, 2))
        self.assertEqual(len(table), len(data) // 8)
        self.assertNotIn(0, table)
        for code_point, byte in ((0x410, 0xC0), (0x44F, 0xFF), (0x401, 0xA8), (0x451, 0xB8), (0x2116, 0xB9),
                                 (0x2014, 0x97), (ord('A'), 0x41)):
            self.assertEqual(table[code_point], byte)

    def test_pages_and_pictures(self):
        head = read(self.dir, 'voc.hd').decode('cp1251')
        self.assertTrue(head.startswith('<HTML>') and head.rstrip().endswith('<BODY>'))
        intro = read(self.dir, 'osnov.htm').decode('cp1251')
        self.assertEqual(len(re.findall(r'href="https?://', intro)), 2)
        text = self.dat.decode('cp1251') + intro
        sources = set(re.findall(r'src="([^"]+)"', text, re.I))
        self.assertEqual(sources, {'osi.png', 'packet.gif', 'topology.gif', 'legend.png', 'cable.jpg',
                                   'socket.bmp', 'rack.png', 'router.gif'})
        for name in sources | set(re.findall(r'href="([^"#:]+)"', text, re.I)):
            # what is left out really is missing, so the viewer shows its placeholder or message
            self.assertEqual(os.path.isfile(os.path.join(self.dir, name)), name not in md.LEFT_OUT, name)
        for drawing, name, palette in ((md.draw_topology(), 'topology.gif', md.TOPOLOGY_PALETTE),
                                       (md.draw_packet_frames(), 'packet.gif', md.PACKET_PALETTE)):
            width, height, frames, loop = gif_frames(read(self.dir, name))
            drawings = drawing if isinstance(drawing, list) else [drawing]
            self.assertEqual(frames, [[palette.index(p) for p in d.pixels] for d in drawings], name)
            self.assertEqual(loop, 0 if name == 'packet.gif' else None)
        for drawing, name in ((md.draw_osi(), 'osi.png'), (md.draw_rack(), 'rack.png')):
            width, height, rows = png_rows(read(self.dir, name))
            self.assertEqual(rows, [bytes(c for p in row for c in p) for row in drawing.rows()], name)
        legend = read(self.dir, 'legend.png')
        _, _, rows = png_rows(legend, color_type=3)
        self.assertEqual(rows, [bytes(md.LEGEND_PALETTE.index(p) for p in row) for row in md.draw_legend().rows()])
        self.assertEqual(dict(png_chunks(legend))[b'tRNS'], b'\0')
        width, height, pixel = bmp_picture(read(self.dir, 'socket.bmp'))
        socket = md.draw_socket()
        self.assertEqual([pixel(x, y) for y in range(height) for x in range(width)], socket.pixels)
        reader = JpegReader(read(self.dir, 'cable.jpg'))
        self.assertEqual((reader.width, reader.height), (160, 96))
        page = read(self.dir, 'montage.htm').decode('cp1251')
        self.assertIn('charset=windows-1251', page)
        self.assertIn('<TITLE>Памятка монтажника</TITLE>', page)

    def bodies(self):
        return {t[3]: self.article(t).decode('cp1251') for t in self.terms}

    def test_an_article_scrolls_to_an_anchor_below_and_links_a_picture_a_page_and_a_missing_file(self):
        found = []
        for name, text in self.bodies().items():
            anchors = {m.group(1).upper(): m.start() for m in re.finditer(r'<a name="([^"]+)"', text)}
            kinds = set()
            for m in re.finditer(r'<a href="([^"]+)"', text):
                target = m.group(1)
                if target.startswith('#'):
                    if anchors.get(target[1:].upper(), -1) > m.start() + 2000:
                        kinds.add('anchor far below')
                elif target.lower().endswith(('.png', '.jpg', '.gif', '.bmp')):
                    kinds.add('picture' if os.path.isfile(os.path.join(self.dir, target)) else 'broken')
                elif target.lower().endswith('.htm'):
                    kinds.add('page' if os.path.isfile(os.path.join(self.dir, target)) else 'broken')
            if kinds == {'anchor far below', 'picture', 'page', 'broken'}:
                found.append(name)
        self.assertEqual(sorted(found), ['СКС', 'Структурированная кабельная система'])

    def test_form_article_has_every_kind_of_control_in_its_own_tab_order(self):
        text = self.bodies()['Параметры подключения']
        form = text[text.index('<form'):text.index('</form>')]
        kinds = set(re.findall(r'<input type=(\w+)', form)) | set(re.findall(r'<(select|textarea)', form))
        self.assertEqual(kinds, {'text', 'password', 'checkbox', 'radio', 'reset', 'select', 'textarea'})
        self.assertRegex(form, r'<select [^>]*size=[2-9][^>]*multiple')    # a list
        self.assertRegex(form, r'<select (?![^>]*size=)[^>]*>')            # a drop-down
        self.assertEqual(len(re.findall(r'type=radio name=mode', form)), 3)
        # Tab goes down the left column, then the right one, while the text runs
        # row by row: only TABINDEX gives that order.
        order = [int(n) for n in re.findall(r'tabindex=(\d+)', form)]
        self.assertNotEqual(order, sorted(order))
        columns = [[], []]
        for row in re.findall(r'<tr>(.*?)</tr>', form, re.S):
            for column, cell in enumerate(re.findall(r'<td[^>]*>(.*?)</td>', row, re.S)[:2]):
                if 'colspan' not in row:
                    columns[column] += [int(n) for n in re.findall(r'tabindex=(\d+)', cell)]
        self.assertEqual(sorted(set(columns[0])), [1, 2, 3, 4, 5])
        self.assertEqual(sorted(set(columns[1])), [6, 7, 8])

    def test_table_article_spans_columns_and_rows_with_a_caption_and_coloured_cells(self):
        text = self.bodies()['Линии доступа']
        for pattern in (r'<table border=[2-9]', r'width="100%"', r'<caption>', r'<th colspan=2',
                        r'<td rowspan=3', r'<td bgcolor="#'):
            self.assertRegex(text, pattern)


class GeneratorPartsTest(unittest.TestCase):
    def test_upper_casing_of_code_page_1251(self):
        cases = [(b'abcz09', b'ABCZ09'), (b'\xe0\xff', b'\xc0\xdf'), (b'\xb8', b'\xa8'), (b'\xa8', b'\xa8'),
                 (b'\xb3\xbf\xba\xa2', b'\xb2\xaf\xaa\xa1'), (b'\x9a\x90', b'\x8a\x80'), (b'\xb5', b'\xb5')]
        for given, expected in cases:
            self.assertEqual(md.upper_1251(given), expected, given)

    def test_lzw_round_trip_across_code_widths_and_table_resets(self):
        rng = random.Random(1251)
        # the prefixes of one sequence end once on every table size, code-width boundaries included
        sequence = [rng.randrange(4) for _ in range(400)]
        cases = [(2, sequence[:length]) for length in range(1, len(sequence) + 1)]
        cases += [(bits, [rng.randrange(1 << bits) if rng.random() < 0.8 else 0 for _ in range(length)])
                  for bits in (1, 3, 5, 8) for length in (1, 2, 61, 509, 4093, 9000)]
        for bits, pixels in cases:
            min_size = max(2, bits)
            self.assertEqual(lzw_decode(md.lzw(pixels, min_size), min_size), pixels, (bits, len(pixels)))

    def test_png_round_trip_through_all_filters(self):
        rng = random.Random(7)
        canvas = md.Canvas(37, 23, (0, 0, 0))
        # few levels, evenly spaced, so that the Paeth predictor often meets a tie
        canvas.pixels = [tuple(60 * rng.randrange(4) for _ in range(3)) for _ in canvas.pixels]
        width, height, rows = png_rows(md.png(canvas))
        self.assertEqual((width, height), (37, 23))
        self.assertEqual(rows, [bytes(c for p in row for c in p) for row in canvas.rows()])

    def test_palette_png_keeps_its_indices_and_one_see_through_entry(self):
        palette = [(1, 2, 3), (200, 0, 0), (0, 200, 0)]
        canvas = md.Canvas(9, 5, palette[0])
        canvas.rect(2, 1, 7, 4, palette[2])
        canvas.put(0, 4, palette[1])
        for transparent in (0, 2):
            data = md.png_indexed(canvas, palette, transparent)
            chunks = png_chunks(data)
            kinds = [kind for kind, _ in chunks]
            self.assertLess(kinds.index(b'PLTE'), kinds.index(b'tRNS'))
            self.assertLess(kinds.index(b'tRNS'), kinds.index(b'IDAT'))
            alpha = dict(chunks)[b'tRNS']
            self.assertEqual(len(alpha), transparent + 1)
            self.assertEqual([i for i, a in enumerate(alpha) if a != 255], [transparent])
            _, _, rows = png_rows(data, color_type=3)
            self.assertEqual(rows, [bytes(palette.index(p) for p in row) for row in canvas.rows()])

    def test_jpeg_decodes_back_to_its_picture(self):
        flat = md.Canvas(8, 8, (90, 160, 30))
        ramps = md.Canvas(21, 13, (0, 0, 0))    # edge blocks only partly inside, a sharp step
        ramps.pixels = [(x * 12, 255 - y * 19, 200 if x > 10 else 40) for y in range(13) for x in range(21)]
        cable = md.draw_cable()                 # its scan holds 0xFF bytes, so stuffing is exercised
        for canvas, mean_error in ((flat, 1), (ramps, 3), (cable, 4)):
            data = md.jpeg(canvas)
            reader = JpegReader(data)
            self.assertEqual((reader.width, reader.height), (canvas.width, canvas.height))
            errors = [abs(a - b) for p, q in zip(reader.pixels(), canvas.pixels) for a, b in zip(p, q)]
            self.assertLessEqual(sum(errors) / len(errors), mean_error, (canvas.width, canvas.height))
        self.assertIn(b'\xff\x00', md.jpeg(cable))

    def test_huffman_lengths_stay_within_sixteen_bits(self):
        fibonacci = [1, 1]
        while len(fibonacci) < 30:
            fibonacci.append(fibonacci[-1] + fibonacci[-2])
        cases = [{0: 5}, {0: 1, 1: 1}, dict(enumerate(fibonacci)), {s: 1 for s in range(162)}]
        for counts in cases:
            bits, symbols = md.huffman_table(counts)
            self.assertEqual(sorted(symbols), sorted(counts))
            self.assertEqual(sum(bits), len(counts))
            # Kraft: the codes leave room, so the all-ones code of the longest length is free
            self.assertLess(sum(n * 2 ** (16 - length) for length, n in enumerate(bits, 1)), 2 ** 16)
            codes = md.huffman_codes(bits, symbols)
            if len(counts) > 1 and max(counts.values()) > 2 * min(counts.values()):
                common, rare = max(counts, key=counts.get), min(counts, key=counts.get)
                self.assertLessEqual(codes[common][1], codes[rare][1])

    def test_links_must_name_an_anchor_a_written_file_or_a_deliberately_missing_one(self):
        files = {'osi.png', 'page.htm'}
        cases = [
            ('<a name="Top"></a><a href="#top">up</a>', True),    # anchors compare without case
            ('<a href="#nowhere">x</a>', False),
            ('<img src="osi.png">', True),
            ('<img src=osi.png width=3>', True),
            ('<img src="osi.gif">', False),
            ('<a href="page.htm#part">x</a>', True),
            ('<a href="normy.htm">x</a>', True),                   # left out on purpose
            ('<a href="https://example.org/x.htm">x</a>', True),
            ('<a href="Page.htm">x</a>', False),                   # file names are compared exactly
        ]
        for html_text, ok in cases:
            if ok:
                md.check_links(html_text, files)
            else:
                with self.assertRaises(ValueError, msg=html_text):
                    md.check_links(html_text, files)

    def test_word_scan(self):
        s = lambda text: text.encode('cp1251')  # noqa: E731
        cases = [
            (b'ter-\r\nmino ', [(b'termino', 0, 9)]),                 # joined across a hyphenated break
            (b'ter- mino ', [(b'ter', 0, 2), (b'mino', 5, 8)]),
            (b'Wi-Fi ', [(b'Wi', 0, 1), (b'Fi', 3, 4)]),
            (b'caf&eacute; ', [(b'caf\xe9', 0, 10)]),                   # the mark covers the reference
            (s('сло&#769;во.'), [(s('слово'), 0, 10)]),                # unknown code point skipped
            (b'&#1040;&#1041; ', [(b'\xc0\xc1', 0, 13)]),              # known code points decoded
            (b'a&nbsp;b\xa0c ', [(b'a', 0, 0), (b'b', 7, 7), (b'c', 9, 9)]),
            (b'&trade; ', [(b'TM', 0, 6)]),
            (s('ёж '), [(s('еж'), 0, 1)]),
            (b'<td>one</td><td>two</td>', [(b'one', 4, 6), (b'two', 16, 18)]),
            (b'<a href="x y">z</a>', [(b'z', 14, 14)]),
            (b'open end', [(b'open', 0, 3)]),
            (b'&nosemicolon x ', [(b'nosemicolon', 1, 11), (b'x', 13, 13)]),
        ]
        for text, expected in cases:
            self.assertEqual(md.scan_words(text), expected, text)


class SyntheticDictionaryTest(unittest.TestCase):
    def test_synthetic_dictionary_has_the_same_formats(self):
        with tempfile.TemporaryDirectory() as folder:
            result = run_generator('--synthetic', 700, folder)
            self.assertEqual(result.returncode, 0, result.stderr.decode())
            terms, dat = read_index(read(folder, 'voc.ind')), read(folder, 'voc.dat')
            self.assertEqual(len(terms), 700)
            self.assertEqual([t[2] for t in terms], sorted({t[2] for t in terms}))
            self.assertEqual(terms[-1][0] + terms[-1][1], len(dat))
            articles = [dat[o:o + n] for o, n, _, _ in terms]
            words, _ = read_all_words(read(folder, 'allvurts.dat'), read(folder, 'allvurts.ind'))
            self.assertEqual([(w, rows) for w, rows, _, _ in words], md.index_words(articles))
            for name in ('voc.hd', 'osnov.htm', 'unicod.bin', 'voc.ini', 'schema/апельсин.sch', 'packet.gif'):
                self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)

    def test_bad_counts_are_refused(self):
        with tempfile.TemporaryDirectory() as folder:
            for count in (0, -3, 10 ** 9):
                self.assertEqual(run_generator('--synthetic', count, folder).returncode, 1, count)

    def test_synthetic_word_index_names_rows_of_its_terms(self):
        with tempfile.TemporaryDirectory() as folder:
            result = run_generator('--synthetic', 50, '--synthetic-words', 400, folder)
            self.assertEqual(result.returncode, 0, result.stderr.decode())
            words, rows_in_index = read_all_words(read(folder, 'allvurts.dat'), read(folder, 'allvurts.ind'))
            self.assertEqual(struct.unpack('<i', read(folder, 'allvurts.dat')[:4])[0], 400)
            self.assertEqual(len(words), 400)
            self.assertEqual([w for w, _, _, _ in words], sorted({w for w, _, _, _ in words}))
            total = 0
            for word, rows, _, _ in words:
                self.assertTrue(3 <= len(word) <= 12 and all(0xC0 <= b <= 0xDF for b in word), word)
                self.assertTrue(1 <= len(rows) <= 9 and rows == sorted(set(rows)), rows)
                self.assertTrue(all(0 <= r < 50 for r in rows), rows)
                total += len(rows)
            self.assertTrue(4 <= total / len(words) <= 6, total / len(words))
            self.assertEqual(rows_in_index, total)

    def test_synthetic_words_need_terms_and_a_sane_count(self):
        with tempfile.TemporaryDirectory() as folder:
            self.assertNotEqual(run_generator('--synthetic-words', 10, folder).returncode, 0)
            self.assertEqual(run_generator('--synthetic', 5, '--synthetic-words', 0, folder).returncode, 1)


class BigHtmlTest(unittest.TestCase):
    def test_page_has_exactly_the_size_asked_for(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, 'big.htm')
            head = md.read_sample_html('head.htm')
            for size in (len(head) + 16, len(head) + 24, 20000, 123457):
                self.assertEqual(run_generator('--big-html', size, path).returncode, 0)
                data = read(folder, 'big.htm')
                self.assertEqual(len(data), size)
                self.assertTrue(data.startswith(head) and data.endswith(b'</BODY></HTML>\r\n'))
            self.assertEqual(run_generator('--big-html', len(head), path).returncode, 1)


if __name__ == '__main__':
    unittest.main()
