#!/usr/bin/env python3
"""Writes the sample dictionary of the viewer and its benchmark fixtures.

    make_dictionary.py OUTDIR                 the sample dictionary (tools/sample/)
    make_dictionary.py --synthetic N OUTDIR   N generated terms, same formats, for benchmarks
    make_dictionary.py --synthetic N --synthetic-words W OUTDIR
                                              the same with a word index of W made-up words,
                                              each in about five of the N terms
    make_dictionary.py --big-html BYTES FILE  one HTML page of exactly BYTES bytes, for the scanner

A dictionary folder gets: voc.ind (term index), voc.dat (articles), voc.hd (the
head put in front of every article), osnov.htm (introduction), montage.htm (a
page an article links to), voc.hlp (help, an HTML page), unicod.bin
(code point to code page 1251 table), allvurts.dat and allvurts.ind (every word
of the articles with the term rows it occurs in), voc.ini, schema/*.sch (colour
schemes), an empty fonts folder and the pictures the pages show (GIF, PNG,
JPEG and BMP files, all drawn here). 8-bit text is
code page 1251; file names with Russian letters are UTF-8 on disk. Standard
library only, so that any Python 3 runs it.
"""

import argparse
import array
import configparser
import heapq
import html.entities
import math
import os
import random
import re
import struct
import sys
import zlib

SAMPLE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'sample')
STRESS = '\u0301'
MAX_KEY = 255          # KeyLen and NameLen are single bytes
MAX_WORD = 255         # the article scan keeps a word in 256 bytes
MAX_PALETTE = 20
MAX_FACE_NAME = 31     # a face name longer than this cannot be created


# ---------------------------------------------------------------- code page 1251

def cp1251(text):
    """Code page 1251 bytes; characters outside it become numeric references."""
    return text.encode('cp1251', 'xmlcharrefreplace')


def _upper_table():
    # Every letter of the code page that has a capital in it, as the platform's
    # ANSI upper-casing does it; 0xB5 (micro) has no capital there and stays.
    table = bytearray(range(256))
    for b in range(128, 256):
        try:
            capital = bytes([b]).decode('cp1251').upper().encode('cp1251')
        except (UnicodeDecodeError, UnicodeEncodeError):
            continue
        if len(capital) == 1:
            table[b] = capital[0]
    table[ord('a'):ord('z') + 1] = b'ABCDEFGHIJKLMNOPQRSTUVWXYZ'
    return bytes(table)


UPPER_1251 = _upper_table()


def upper_1251(data):
    return bytes(data).translate(UPPER_1251)


def search_key(name):
    """The index key of a display name: stress marks dropped, upper case."""
    return upper_1251(name.replace(STRESS, '').encode('cp1251'))


def collation(key):
    # Byte order of code page 1251 is alphabetical except for Ё (0xA8), which
    # belongs right after Е.
    return tuple(0x18B if b == 0xA8 else 2 * b for b in key)


# Code point -> code page 1251 byte for every byte from the space up; 0x98 is
# unassigned. 223 records, within the viewer's room for 256.
UNICODE_TO_1251 = {}
for _b in range(0x20, 0x100):
    try:
        UNICODE_TO_1251.setdefault(ord(bytes([_b]).decode('cp1251')), _b)
    except UnicodeDecodeError:
        pass

# Named references the article scan decodes itself (the Latin-1 letters give
# their lower-case Latin-1 byte, which code page 1251 reads as a Cyrillic letter).
SCAN_ENTITIES = {n.encode(): bytes([html.entities.name2codepoint[n.lower()]]) for n in (
    'AACUTE ACIRC AELIG AGRAVE ARING ATILDE AUML CCEDIL DIVIDE EACUTE ECIRC EGRAVE '
    'ETH EUML IACUTE ICIRC IGRAVE IUML NTILDE OACUTE OCIRC OGRAVE OSLASH OTILDE OUML '
    'SZLIG THORN UACUTE UCIRC UGRAVE UUML YACUTE YUML').split()}
SCAN_ENTITIES.update({
    b'NBSP': b' ', b'AMP': b'&', b'GT': b'>', b'LT': b'<', b'QUOT': b'"', b'TRADE': b'TM',
    b'#8212': b'--', b'#9484': b'\x03', b'#9472': b'\x04', b'#9516': b'\x05',
    b'#9474': b'\x06', b'#9500': b'\x07', b'#9508': b'\x08', b'#9488': b'\x0f',
    b'#9492': b'\x10', b'#9496': b'\x11', b'#9524': b'\x12', b'#9532': b'\x13',
    b'LAQUO': b'"', b'RAQUO': b'"', b'DEG': b'\xb0', b'TILDE': b'~', b'NDASH': b'-',
    b'MDASH': b'--', b'#': b' ', b'REG': b'(r)'})


def _is_letter(b):
    return b >= 0xC0 or 0x41 <= b <= 0x5A or 0x61 <= b <= 0x7A


def scan_words(article, code_points=UNICODE_TO_1251):
    """The words of an article as the viewer's hit marking finds them: list of
    (word bytes, first position, position of the last letter). Tags are
    skipped and end a word, references decoded, ё read as е, a word hyphenated
    across a line break joined, and a word still open at the end of the text
    dropped, so the word index and the hit marks agree."""
    text = bytearray(article)
    words, word = [], bytearray()
    in_tag, start, last, hyphen, i = False, 0, 0, 0, 0
    while i < len(text):
        b = text[i]
        if b == 0x3C or (in_tag and b != 0x3E):
            in_tag = True
            i += 1
            continue
        in_tag = False      # the closing '>' then ends a word like any other byte
        if not word:
            start = i
        from_entity = False
        if b == 0x26:
            semi = text.find(b';', i)
            name = upper_1251(text[i + 1:semi]) if 3 <= semi - i <= 20 else None
            if name in SCAN_ENTITIES:
                value = SCAN_ENTITIES[name]
                i = semi + 1 - len(value)
                text[i:semi + 1] = value
                b, from_entity = text[i], True
            elif semi > i and text[i + 1:i + 2] == b'#':
                digits = i + 2
                while digits < semi and 0x30 <= text[digits] <= 0x39:
                    digits += 1
                number = int(text[i + 2:digits]) if digits > i + 2 else 0
                b, i = code_points.get(number, 0), semi
                if b == 0:
                    i += 1
                    continue
                text[i] = b
        if b == 0xA0 and not from_entity:
            b = 0x20
        if b == 0xB8:
            b = 0xE5
        if _is_letter(b):
            if hyphen == 1 and word:
                words.append((bytes(word), start, last))
                word, start = bytearray(), i
            if len(word) == MAX_WORD:
                raise ValueError('word longer than %d letters at byte %d' % (MAX_WORD, i))
            hyphen = 0
            word.append(b)
            last = i
        elif b == 0x2D:
            hyphen = 0 if hyphen else 1
        elif b in (0x20, 0x0D, 0x0A) and hyphen:
            hyphen = hyphen if b == 0x20 else 2
        else:
            if word:
                words.append((bytes(word), start, last))
                word = bytearray()
            hyphen = 0
        i += 1
    return words


# ---------------------------------------------------------------- dictionary files

def write_file(path, data):
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def int32_array(values):
    rows = array.array('i', values)
    if sys.byteorder == 'big':
        rows.byteswap()
    return rows.tobytes()


def write_index(path, terms, count):
    """voc.ind: int32 count, then per term int32 offset, int32 length, uint8
    key length, uint8 name length (UTF-16 units), key (cp1251), name (UTF-16LE).
    terms yields (offset, length, key, name in UTF-16LE)."""
    out, head, written = bytearray(struct.pack('<i', count)), struct.Struct('<iiBB').pack, 0
    for offset, length, key, utf16 in terms:
        if not 0 < len(key) <= MAX_KEY or len(utf16) > 2 * MAX_KEY:
            raise ValueError('key or name of %r out of bounds' % key)
        out += head(offset, length, len(key), len(utf16) // 2)
        out += key
        out += utf16
        written += 1
    if written != count:
        raise ValueError('the index announces %d terms but holds %d' % (count, written))
    write_file(path, out)


def write_all_words(outdir, word_rows, count):
    """allvurts.dat: int32 count, then per word its bytes, '$', int32 number of
    rows, int32 index of the first row; allvurts.ind: the int32 rows themselves.
    word_rows yields (word, rows) in order."""
    dat, ind, pair, first, written = bytearray(struct.pack('<i', count)), [], struct.Struct('<ii').pack, 0, 0
    for word, rows in word_rows:
        if b'$' in word or b'\0' in word:
            raise ValueError('word %r cannot be stored' % word)
        dat += word
        dat += b'$'
        dat += pair(len(rows), first)
        ind.append(rows)
        first += len(rows)
        written += 1
    if written != count:
        raise ValueError('the word list announces %d words but holds %d' % (count, written))
    write_file(os.path.join(outdir, 'allvurts.dat'), dat)
    write_file(os.path.join(outdir, 'allvurts.ind'), b''.join(int32_array(rows) for rows in ind))


def index_words(articles):
    """Word index over articles given per term row: sorted (word, rows)."""
    rows_of, words_of = {}, {}
    for row, article in enumerate(articles):
        if article not in words_of:
            words_of[article] = {upper_1251(w) for w, _, _ in scan_words(article)}
        for word in words_of[article]:
            rows_of.setdefault(word, []).append(row)
    return sorted(rows_of.items())


def write_common(outdir, schemes_path, ini_text):
    """The files every dictionary folder has besides its terms and words."""
    write_file(os.path.join(outdir, 'unicod.bin'),
               b''.join(struct.pack('<ii', cp, b) for cp, b in UNICODE_TO_1251.items()))
    write_file(os.path.join(outdir, 'voc.hd'), read_sample_html('head.htm'))
    for page in PAGES:
        write_file(os.path.join(outdir, page), read_sample_html(page))
    # Help as an HTML page: contents at the top, topics at anchors 10, 230, 320.
    write_file(os.path.join(outdir, 'voc.hlp'), read_sample_html('help.htm'))
    schemes = read_schemes(schemes_path)
    ini = configparser.ConfigParser()
    ini.read_string(ini_text)
    if ini['Schemas']['Schema'] not in [name + '.sch' for name in schemes]:
        raise ValueError('voc.ini names a scheme that is not described')
    write_file(os.path.join(outdir, 'voc.ini'), cp1251(ini_text.replace('\n', '\r\n')))
    for name, scheme in schemes.items():
        write_file(os.path.join(outdir, 'schema', name + '.sch'), scheme_bytes(scheme))
    os.makedirs(os.path.join(outdir, 'fonts'), exist_ok=True)
    for name, data in pictures().items():
        write_file(os.path.join(outdir, name), data)


# Pages beside the dictionary: the introduction and one an article links to.
PAGES = ('osnov.htm', 'montage.htm')
# Files the articles name but the sample leaves out on purpose, so that a
# reader sees a broken link and a missing picture.
LEFT_OUT = {'normy.htm', 'router.gif'}


def check_links(html_text, files):
    """Raises ValueError for an href or src that names neither an anchor of
    the same text, nor a written file, nor a deliberately missing one; the
    viewer would show a typo only as a placeholder or a message."""
    anchors = {a.upper() for a in re.findall(r'<a\s[^>]*\bname="?([^" >]+)', html_text, re.I)}
    for target in re.findall(r'\b(?:href|src)="?([^" >]+)', html_text, re.I):
        name, _, anchor = target.partition('#')
        if re.match(r'[a-z]+:', target, re.I):
            continue
        if not name:
            if anchor.upper() not in anchors:
                raise ValueError('link to a missing anchor %r' % target)
        elif name not in files and name not in LEFT_OUT:
            raise ValueError('link to a file that is not written: %r' % target)


def read_sample_html(name):
    with open(os.path.join(SAMPLE_DIR, name), encoding='utf-8') as f:
        return cp1251(f.read().replace('\n', '\r\n'))


# ---------------------------------------------------------------- the sample

def read_articles(path):
    """Entries of the article source: list of (names, body text)."""
    entries = []
    with open(path, encoding='utf-8') as f:
        for line in f.read().splitlines():
            if line.startswith('#') or (not entries and not line.strip()):
                continue
            if line.startswith('@ '):
                entries.append(([line[2:].strip()], []))
            elif not entries:
                raise ValueError('text before the first article: %r' % line)
            elif line.startswith('= ') and not entries[-1][1]:
                entries[-1][0].append(line[2:].strip())
            else:
                entries[-1][1].append(line)
    return [(names, '\n'.join(body).strip()) for names, body in entries]


def article_html(names, body, known_keys):
    # "see also" references are checked against the term list and set in italics
    out, pos = [], 0
    while True:
        start = body.find('[[', pos)
        if start < 0:
            break
        end = body.index(']]', start)
        target, _, shown = body[start + 2:end].partition('|')
        if search_key(target) not in known_keys:
            raise ValueError('reference to unknown term %r' % target)
        out += (body[pos:start], '<i>%s</i>' % (shown or target))
        pos = end + 2
    synonyms = ' <span class=syn>(также: %s)</span>' % ', '.join(names[1:]) if names[1:] else ''
    heading = '<p class=term><b>%s</b>%s</p>' % (names[0], synonyms)
    text = heading + '\n' + ''.join(out) + body[pos:] + '\n'
    return cp1251(text.replace('\n', '\r\n'))


def build_sample(outdir):
    entries = read_articles(os.path.join(SAMPLE_DIR, 'articles.txt'))
    entries.sort(key=lambda e: collation(search_key(e[0][0])))
    keys = [search_key(n) for names, _ in entries for n in names]
    known = set(keys)
    if len(known) != len(keys):
        raise ValueError('two terms share one key')
    data, terms = bytearray(), []
    files = set(PAGES) | set(PICTURES)
    for name in PAGES:
        check_links(read_sample_html(name).decode('cp1251'), files)
    for names, body in entries:
        check_links(body, files)
        article = article_html(names, body, known)
        terms += [(len(data), len(article), search_key(n), n.encode('utf-16-le')) for n in names]
        data += article
    terms.sort(key=lambda t: collation(t[2]))
    write_file(os.path.join(outdir, 'voc.dat'), bytes(data))
    write_index(os.path.join(outdir, 'voc.ind'), terms, len(terms))
    word_rows = index_words([bytes(data[o:o + n]) for o, n, _, _ in terms])
    write_all_words(outdir, word_rows, len(word_rows))
    with open(os.path.join(SAMPLE_DIR, 'voc.ini'), encoding='utf-8') as f:
        write_common(outdir, os.path.join(SAMPLE_DIR, 'schemes.txt'), f.read())


# ---------------------------------------------------------------- synthetic dictionary

SYLLABLES = sorted((c + v for c in 'бвгдзклмнпрстфх' for v in 'аеиоу'),
                   key=lambda s: upper_1251(s.encode('cp1251')))


def build_synthetic(outdir, count, word_count=None):
    """count terms of made-up words in key order. Names have four syllables and
    the words of the articles five, so no name is also an article word and the
    word index is known without scanning a million articles."""
    base = len(SYLLABLES)
    if not 0 < count <= base ** 4:
        raise ValueError('--synthetic takes 1 to %d terms' % base ** 4)
    pairs = [a + b for a in SYLLABLES for b in SYLLABLES]
    keys = [upper_1251(p.encode('cp1251')) for p in pairs]
    capitalized = [p.capitalize() for p in pairs]
    utf16, capitalized16 = [p.encode('utf-16-le') for p in pairs], [p.encode('utf-16-le') for p in capitalized]
    vocabulary = [pairs[j] + pairs[(j * 7 + 3) % len(pairs)] + SYLLABLES[j % base] for j in range(3001)]
    vocabulary_rows = [array.array('i') for _ in vocabulary]
    terms, chunk, offset = [], [], 0
    os.makedirs(outdir, exist_ok=True)
    with open(os.path.join(outdir, 'voc.dat'), 'wb') as dat:
        for i in range(count):
            high, low = divmod(i, len(pairs))
            # three distinct words: the steps 1490 and 2980 are not multiples of 3001
            j0 = i * 2654435761 % 3001
            j1, j2 = (j0 + 1490) % 3001, (j0 + 2980) % 3001
            for j in (j0, j1, j2):
                vocabulary_rows[j].append(i)
            article = '<p class=term><b>%s%s</b></p>\r\n<p>%s, %s; %s.</p>\r\n' % (
                capitalized[high], pairs[low], vocabulary[j0], vocabulary[j1], vocabulary[j2])
            terms.append((offset, len(article), keys[high] + keys[low], capitalized16[high] + utf16[low]))
            offset += len(article)   # one byte per character: every character is in code page 1251
            chunk.append(article)
            if len(chunk) == 10000:
                dat.write(''.join(chunk).encode('cp1251'))
                chunk = []
        dat.write(''.join(chunk).encode('cp1251'))
    write_index(os.path.join(outdir, 'voc.ind'), terms, count)
    vocabulary_words = sorted((upper_1251(w.encode('cp1251')), rows)
                              for w, rows in zip(vocabulary, vocabulary_rows) if rows)
    name_words = ((key, (row,)) for row, (_, _, key, _) in enumerate(terms))
    if word_count is None:
        word_rows = heapq.merge(name_words, vocabulary_words, key=lambda word_and_rows: word_and_rows[0])
        write_all_words(outdir, word_rows, count + len(vocabulary_words))
    else:
        # Only the word search reads this index: the words need not be in the articles.
        write_all_words(outdir, synthetic_word_rows(word_count, count), word_count)
    with open(os.path.join(SAMPLE_DIR, 'voc.ini'), encoding='utf-8') as f:
        # a registry key of its own, so benchmark runs leave the sample's settings alone
        ini = re.sub(r'(?m)^RegKey=.*$', 'RegKey=synthetic', f.read())
    write_common(outdir, os.path.join(SAMPLE_DIR, 'schemes.txt'), ini)


CAPITALS = bytes(range(0xC0, 0xE0))   # А .. Я in code page 1251


def synthetic_word_rows(word_count, row_count, seed=1251):
    """word_count distinct made-up words of 3 to 12 capitals, in byte order,
    each with 1 to 9 (on average five) distinct rows below row_count, ascending."""
    if not 0 < word_count <= 10 ** 7:
        raise ValueError('--synthetic-words takes 1 to %d words' % 10 ** 7)
    rng = random.Random(seed)
    words = set()
    while len(words) < word_count:
        words.add(bytes(rng.choice(CAPITALS) for _ in range(rng.randint(3, 12))))
    for word in sorted(words):
        yield word, sorted(rng.sample(range(row_count), min(row_count, rng.randint(1, 9))))


def build_big_html(path, size):
    """One page of exactly size bytes: the head, the sample articles over and
    over with numbered anchors, a filler paragraph, the closing tags."""
    head, tail = read_sample_html('head.htm'), b'</BODY></HTML>\r\n'
    if size < len(head) + len(tail):
        raise ValueError('--big-html needs at least %d bytes' % (len(head) + len(tail)))
    entries = read_articles(os.path.join(SAMPLE_DIR, 'articles.txt'))
    known = {search_key(n) for names, _ in entries for n in names}
    articles = [article_html(names, body, known) for names, body in entries]
    left, n = size - len(head) - len(tail), 0
    with open(path, 'wb') as f:
        f.write(head)
        while True:
            piece = b'<a name="a%d"></a>' % n + articles[n % len(articles)]
            if len(piece) > left:
                break
            f.write(piece)
            left, n = left - len(piece), n + 1
        if left >= 9:
            filler = cp1251('пакет узел сеть кадр ') * (left // 20 + 1)
            f.write(b'<p>' + filler[:left - 9] + b'</p>\r\n')
        else:
            f.write(b' ' * left)
        f.write(tail)


# ---------------------------------------------------------------- pictures

class Canvas:
    def __init__(self, width, height, color):
        self.width, self.height = width, height
        self.pixels = [color] * (width * height)

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = color

    def rect(self, x0, y0, x1, y1, color):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, color)

    def disc(self, cx, cy, r, color):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.put(x, y, color)

    def line(self, x0, y0, x1, y1, color):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for s in range(steps + 1):
            x, y = x0 + (x1 - x0) * s / steps, y0 + (y1 - y0) * s / steps
            self.rect(round(x), round(y), round(x) + 2, round(y) + 2, color)

    def rows(self):
        for y in range(self.height):
            yield self.pixels[y * self.width:(y + 1) * self.width]


def blend(c0, c1, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(c0, c1))


def bmp(canvas):
    """24-bit BMP, rows bottom-up, each padded to four bytes."""
    pad = b'\0' * (-3 * canvas.width % 4)
    rows = [b''.join(bytes((b, g, r)) for r, g, b in row) + pad for row in canvas.rows()]
    data = b''.join(reversed(rows))
    return (struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54) +
            struct.pack('<IiiHHIIiiII', 40, canvas.width, canvas.height, 1, 24, 0, len(data),
                        2835, 2835, 0, 0) + data)


def _png_file(width, height, color_type, rows, step, chunks=()):
    """A PNG of 8-bit samples whose rows cycle through all five filter types;
    step is the bytes per pixel the filters look back by."""
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    raw, prev = bytearray(), bytes(step * width)
    for y, cur in enumerate(rows):
        kind = y % 5
        raw.append(kind)
        for i, value in enumerate(cur):
            a, b = (cur[i - step] if i >= step else 0), prev[i]
            c = prev[i - step] if i >= step else 0
            p = a + b - c
            paeth = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else \
                b if abs(p - b) <= abs(p - c) else c
            raw.append((value - (0, a, b, (a + b) // 2, paeth)[kind]) & 255)
        prev = cur
    header = struct.pack('>IIBBBBB', width, height, 8, color_type, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            b''.join(chunk(kind, body) for kind, body in chunks) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def png(canvas):
    """RGB PNG."""
    rows = (bytes(c for pixel in row for c in pixel) for row in canvas.rows())
    return _png_file(canvas.width, canvas.height, 2, rows, 3)


def png_indexed(canvas, palette, transparent):
    """Palette PNG whose entry `transparent` is see-through (a one-entry tRNS
    chunk, which must follow PLTE)."""
    lookup = {rgb: i for i, rgb in enumerate(palette)}
    rows = (bytes(lookup[p] for p in row) for row in canvas.rows())
    alpha = bytes(255 if i != transparent else 0 for i in range(transparent + 1))
    chunks = [(b'PLTE', bytes(c for rgb in palette for c in rgb)), (b'tRNS', alpha)]
    return _png_file(canvas.width, canvas.height, 3, rows, 1, chunks)


def lzw(indices, min_size):
    """GIF LZW: variable code width up to 12 bits, a clear code when the table fills."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    codes, table, size, next_code = [(clear, min_size + 1)], {}, min_size + 1, end + 1
    prefix = indices[0]
    for p in indices[1:]:
        key = prefix << 8 | p
        if key in table:
            prefix = table[key]
            continue
        codes.append((prefix, size))
        if next_code < 4096:
            table[key], next_code = next_code, next_code + 1
            if next_code > 1 << size:
                size += 1
        else:
            codes.append((clear, size))
            table, size, next_code = {}, min_size + 1, end + 1
        prefix = p
    codes.append((prefix, size))
    # the decoder adds one more entry after the last code and may widen for the end code
    if next_code < 4096 and next_code + 1 > 1 << size:
        size += 1
    codes.append((end, size))
    out, acc, bits = bytearray(), 0, 0
    for code, width in codes:
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 255)
            acc, bits = acc >> 8, bits - 8
    if bits:
        out.append(acc)
    return bytes(out)


def gif(frames, palette, delay=0, loop=None, transparent=None):
    """GIF89a of full-size frames (canvases) over one global palette."""
    width, height = frames[0].width, frames[0].height
    bits = max(1, (len(palette) - 1).bit_length())
    colors = palette + [(0, 0, 0)] * ((1 << bits) - len(palette))
    out = bytearray(b'GIF89a' + struct.pack('<HHBBB', width, height, 0x80 | (bits - 1) << 4 | (bits - 1), 0, 0))
    out += bytes(c for rgb in colors for c in rgb)
    if loop is not None:
        out += b'\x21\xff\x0bNETSCAPE2.0\x03\x01' + struct.pack('<H', loop) + b'\0'
    lookup = {rgb: i for i, rgb in enumerate(palette)}
    for frame in frames:
        if delay or transparent is not None:
            flags = 1 << 2 | (transparent is not None)
            out += b'\x21\xf9\x04' + struct.pack('<BHB', flags, delay, transparent or 0) + b'\0'
        out += b'\x2c' + struct.pack('<HHHHB', 0, 0, width, height, 0)
        min_size = max(2, bits)
        data = lzw([lookup[p] for p in frame.pixels], min_size)
        out.append(min_size)
        for i in range(0, len(data), 255):
            out += bytes([len(data[i:i + 255])]) + data[i:i + 255]
        out.append(0)
    return bytes(out + b'\x3b')


# Row, column of the coefficients in the order a JPEG stores them: along the
# anti-diagonals, turning at every edge.
ZIGZAG = sorted(((r, c) for r in range(8) for c in range(8)),
                key=lambda rc: (rc[0] + rc[1], rc[0] if (rc[0] + rc[1]) % 2 else -rc[0]))
DCT = [[(math.sqrt(0.5) if u == 0 else 1.0) / 2 * math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)]
       for u in range(8)]
JPEG_QUANT = ([[3 + 2 * (r + c) for c in range(8)] for r in range(8)],    # brightness
              [[5 + 3 * (r + c) for c in range(8)] for r in range(8)])    # colour


def huffman_table(counts):
    """(code lengths per length 1..16, symbols in code order) of a JPEG Huffman
    table for symbol counts. A reserved symbol takes the all-ones code, which a
    JPEG table must not use, and lengths over 16 are folded back as the JPEG
    standard's own procedure does."""
    nodes = [(n, i, [s]) for i, (s, n) in enumerate(sorted(counts.items()))]
    nodes.append((0, -1, [None]))
    heapq.heapify(nodes)
    depth = dict.fromkeys([s for _, _, group in nodes for s in group], 0)
    tie = len(nodes)
    while len(nodes) > 1:
        n0, _, g0 = heapq.heappop(nodes)
        n1, _, g1 = heapq.heappop(nodes)
        for s in g0 + g1:
            depth[s] += 1
        heapq.heappush(nodes, (n0 + n1, tie, g0 + g1))
        tie += 1
    bits = [0] * 33
    for d in depth.values():
        bits[d] += 1
    for i in range(32, 16, -1):
        while bits[i] > 0:
            j = i - 2
            while bits[j] == 0:
                j -= 1
            bits[i] -= 2
            bits[i - 1] += 1
            bits[j + 1] += 2
            bits[j] -= 1
    longest = max(i for i in range(17) if bits[i])
    bits[longest] -= 1    # the reserved symbol, last in code order
    order = sorted(counts, key=lambda s: (depth[s], s))
    return bits[1:17], order


def huffman_codes(bits, symbols):
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[symbols[k]] = (code, length)
            code, k = code + 1, k + 1
        code <<= 1
    return codes


def jpeg(canvas):
    """Baseline JPEG without subsampling, with Huffman tables made for this
    picture. Sizes that are not multiples of 8 repeat the last row and column."""
    w, h = canvas.width, canvas.height
    planes = [[0.0] * (w * h) for _ in range(3)]
    for i, (r, g, b) in enumerate(canvas.pixels):
        planes[0][i] = 0.299 * r + 0.587 * g + 0.114 * b - 128
        planes[1][i] = -0.168736 * r - 0.331264 * g + 0.5 * b
        planes[2][i] = 0.5 * r - 0.418688 * g - 0.081312 * b
    events, previous = [], [0, 0, 0]    # (table, symbol, extra bits, their count)
    for by in range(0, h, 8):
        for bx in range(0, w, 8):
            for k, plane in enumerate(planes):
                table = 0 if k == 0 else 1
                block = [[plane[min(by + y, h - 1) * w + min(bx + x, w - 1)] for x in range(8)] for y in range(8)]
                rows = [[sum(block[y][x] * DCT[u][x] for x in range(8)) for u in range(8)] for y in range(8)]
                quant = JPEG_QUANT[table]
                coef = [round(sum(DCT[v][y] * rows[y][u] for y in range(8)) / quant[v][u]) for v, u in ZIGZAG]
                diff, previous[k] = coef[0] - previous[k], coef[0]
                size = abs(diff).bit_length()
                events.append((2 * table, size, diff if diff >= 0 else diff + (1 << size) - 1, size))
                run = 0
                for value in coef[1:]:
                    if value == 0:
                        run += 1
                        continue
                    while run > 15:
                        events.append((2 * table + 1, 0xF0, 0, 0))
                        run -= 16
                    size = abs(value).bit_length()
                    events.append((2 * table + 1, run << 4 | size,
                                   value if value >= 0 else value + (1 << size) - 1, size))
                    run = 0
                if run:
                    events.append((2 * table + 1, 0x00, 0, 0))
    counts = [{}, {}, {}, {}]    # brightness DC, AC, colour DC, AC
    for table, symbol, _, _ in events:
        counts[table][symbol] = counts[table].get(symbol, 0) + 1
    tables = [huffman_table(c) for c in counts]
    codes = [huffman_codes(*t) for t in tables]

    scan, acc, nbits = bytearray(), 0, 0
    for table, symbol, extra, size in events:
        code, length = codes[table][symbol]
        for value, width in ((code, length), (extra, size)):
            acc, nbits = acc << width | value, nbits + width
            while nbits >= 8:
                byte = acc >> (nbits - 8) & 255
                scan += b'\xff\x00' if byte == 255 else bytes([byte])
                nbits -= 8
            acc &= (1 << nbits) - 1
    if nbits:
        byte = (acc << (8 - nbits) | (1 << (8 - nbits)) - 1) & 255
        scan += b'\xff\x00' if byte == 255 else bytes([byte])

    def segment(marker, body):
        return struct.pack('>BBH', 0xFF, marker, len(body) + 2) + body
    dqt = b''.join(bytes([k]) + bytes(q[r][c] for r, c in ZIGZAG) for k, q in enumerate(JPEG_QUANT))
    dht = b''.join(bytes([(t & 1) << 4 | t >> 1]) + bytes(bits) + bytes(symbols)
                   for t, (bits, symbols) in enumerate(tables))
    sof = struct.pack('>BHHB', 8, h, w, 3) + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1])
    sos = bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0])
    return (b'\xff\xd8' + segment(0xE0, b'JFIF\0\x01\x01\0\0\x01\0\x01\0\0') + segment(0xDB, dqt) +
            segment(0xC0, sof) + segment(0xC4, dht) + segment(0xDA, sos) + bytes(scan) + b'\xff\xd9')


TOPOLOGY_PALETTE = [(255, 255, 255), (20, 50, 110), (240, 130, 20), (170, 20, 20)]
PACKET_PALETTE = [(245, 250, 255), (90, 110, 140), (60, 60, 70), (120, 200, 255), (250, 200, 0)]
DIGITS = {'1': '010110010010111', '2': '111001111100111', '3': '111001111001111',
          '4': '101101111001001', '5': '111100111001111', '6': '111100111101111',
          '7': '111001010010010'}


def draw_topology():
    """Star, ring and bus side by side on a transparent background."""
    c = Canvas(240, 80, TOPOLOGY_PALETTE[0])
    line, node, hub = TOPOLOGY_PALETTE[1:]
    star = [(40 + round(28 * math.cos(a * 2 * math.pi / 5 - math.pi / 2)),
             40 + round(28 * math.sin(a * 2 * math.pi / 5 - math.pi / 2))) for a in range(5)]
    ring = [(120 + round(28 * math.cos(a * math.pi / 3)), 40 + round(28 * math.sin(a * math.pi / 3)))
            for a in range(6)]
    bus = [(178 + 16 * k, 26 if k % 2 else 54) for k in range(4)]
    for x, y in star:
        c.line(40, 40, x, y, line)
    for k, (x, y) in enumerate(ring):
        c.line(x, y, *ring[(k + 1) % 6], color=line)
    c.line(168, 40, 232, 40, line)
    for x, y in bus:
        c.line(x, y, x, 40, line)
    for x, y in star + ring + bus:
        c.disc(x, y, 5, node)
    c.disc(40, 40, 7, hub)
    return c


def draw_packet_frames():
    frames = []
    for step in range(8):
        c = Canvas(160, 40, PACKET_PALETTE[0])
        c.rect(26, 19, 134, 21, PACKET_PALETTE[1])
        for x in (4, 134):
            c.rect(x, 8, x + 22, 28, PACKET_PALETTE[2])
            c.rect(x + 3, 11, x + 19, 23, PACKET_PALETTE[3])
        x = 30 + step * 13
        c.rect(x, 15, x + 10, 25, PACKET_PALETTE[4])
        frames.append(c)
    return frames


def draw_osi():
    """Seven layers, 7 at the top, each a horizontal gradient with its number."""
    c = Canvas(180, 140, (255, 255, 255))
    for k in range(7):
        hue = (0.0 + k / 8.0) * 2 * math.pi
        base = tuple(round(150 + 90 * math.cos(hue + s * 2 * math.pi / 3)) for s in range(3))
        top = 2 + k * 20
        for x in range(180):
            c.rect(x, top, x + 1, top + 18, blend(base, (255, 255, 255), x / 260))
        for i, bit in enumerate(DIGITS[str(7 - k)]):
            if bit == '1':
                c.rect(8 + i % 3 * 3, top + 2 + i // 3 * 3, 11 + i % 3 * 3, top + 5 + i // 3 * 3, (255, 255, 255))
    return c


LEGEND_PALETTE = [(255, 255, 255), (30, 40, 60), (90, 150, 220), (250, 250, 250), (40, 160, 70)]
PAIR_COLORS = [(235, 120, 20), (30, 140, 60), (30, 80, 200), (120, 70, 30)]


def shaded_disc(c, cx, cy, r, color):
    """A ball lit from the upper left."""
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                light = math.hypot(x - cx + r / 3, y - cy + r / 3) / (1.4 * r)
                c.put(x, y, blend(blend(color, (255, 255, 255), 0.45), blend(color, (0, 0, 0), 0.35), light))


def draw_cable():
    """Cross-section of a twisted-pair cable: four pairs inside the jacket."""
    c = Canvas(160, 96, (255, 255, 255))
    for y in range(96):
        c.rect(0, y, 160, y + 1, blend((250, 246, 232), (214, 222, 236), y / 95))
    shaded_disc(c, 80, 48, 44, (150, 150, 160))
    c.disc(80, 48, 38, (235, 235, 228))
    for k, color in enumerate(PAIR_COLORS):
        angle = k * math.pi / 2 + math.pi / 4
        px, py = 80 + 20 * math.cos(angle), 48 + 20 * math.sin(angle)
        for side, tone in ((-1, color), (1, blend(color, (255, 255, 255), 0.8))):
            shaded_disc(c, round(px + side * 7 * math.sin(angle)), round(py - side * 7 * math.cos(angle)), 7, tone)
    return c


def draw_socket():
    """A network wall socket: a bevelled plate with a jack and eight contacts."""
    c = Canvas(64, 64, (196, 196, 190))
    for i in range(4):
        c.rect(i, i, 64 - i, 64 - i, blend((250, 250, 244), (150, 150, 144), i / 8))
    c.rect(4, 4, 60, 60, (232, 232, 224))
    c.rect(16, 18, 48, 46, (40, 40, 44))
    c.rect(26, 46, 38, 52, (40, 40, 44))
    for k in range(8):
        c.rect(19 + 3 * k, 20, 21 + 3 * k, 28, (220, 180, 40))
    return c


def draw_rack():
    """A wiring cabinet: patch panel, switch with lit ports, two servers."""
    c = Canvas(120, 200, (60, 62, 70))
    c.rect(8, 8, 112, 192, (28, 30, 34))
    units = [(12, 'patch'), (34, 'switch'), (56, 'patch'), (90, 'server'), (130, 'server')]
    for top, kind in units:
        height = 32 if kind == 'server' else 18
        c.rect(12, top, 108, top + height, (150, 152, 160) if kind != 'switch' else (40, 70, 120))
        c.rect(12, top, 108, top + 1, (200, 202, 210))
        if kind == 'server':
            c.rect(18, top + 6, 70, top + 10, (90, 92, 100))
            c.rect(18, top + 14, 70, top + 18, (90, 92, 100))
            c.disc(96, top + 16, 3, (40, 200, 80))
        else:
            for k in range(12):
                x = 18 + 7 * k
                c.rect(x, top + 6, x + 5, top + 12, (20, 20, 24))
                if kind == 'switch' and k % 3 != 2:
                    c.rect(x + 1, top + 3, x + 4, top + 5, (80, 230, 90))
    for k in range(6):    # patch cords from the panels to the switch
        x = 20 + 14 * k
        c.line(x, 26, x + 3, 38, PAIR_COLORS[k % 4])
    return c


def draw_legend():
    """Three symbols of network plans on a see-through background."""
    c = Canvas(150, 44, LEGEND_PALETTE[0])
    ink, blue, white, green = LEGEND_PALETTE[1:]
    c.rect(8, 6, 40, 30, ink)              # a workstation: monitor and stand
    c.rect(11, 9, 37, 27, blue)
    c.rect(20, 30, 28, 34, ink)
    c.rect(14, 34, 34, 37, ink)
    c.rect(58, 14, 96, 30, ink)            # a switch with its ports
    for k in range(5):
        c.rect(61 + 7 * k, 21, 66 + 7 * k, 26, white)
        c.rect(62 + 7 * k, 17, 65 + 7 * k, 19, green)
    for dx, dy, r in ((118, 24, 10), (130, 18, 12), (142, 25, 7)):   # the outside world: a cloud
        c.disc(dx, dy, r, ink)
    for dx, dy, r in ((118, 24, 8), (130, 18, 10), (142, 25, 5)):
        c.disc(dx, dy, r, blue)
    c.rect(112, 28, 146, 34, ink)
    return c


def draw_bullet():
    """A list bullet: a cable tag, a small label with a hole, on a see-through ground."""
    c = Canvas(12, 12, LEGEND_PALETTE[0])
    ink, blue, white, green = LEGEND_PALETTE[1:]
    c.rect(1, 2, 11, 10, ink)
    c.rect(2, 3, 10, 9, green)
    c.disc(4, 6, 1, white)
    return c


# Every picture file of the sample, by name, and how to draw it.
PICTURES = {
    'topology.gif': lambda: gif([draw_topology()], TOPOLOGY_PALETTE, transparent=0),
    'packet.gif': lambda: gif(draw_packet_frames(), PACKET_PALETTE, delay=15, loop=0),
    'osi.png': lambda: png(draw_osi()),
    'rack.png': lambda: png(draw_rack()),
    'legend.png': lambda: png_indexed(draw_legend(), LEGEND_PALETTE, transparent=0),
    'tag.png': lambda: png_indexed(draw_bullet(), LEGEND_PALETTE, transparent=0),
    'cable.jpg': lambda: jpeg(draw_cable()),
    'socket.bmp': lambda: bmp(draw_socket()),
}


def pictures():
    return {name: draw() for name, draw in PICTURES.items()}


# ---------------------------------------------------------------- colour schemes

def parse_rgb(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def color_value(text):
    """A scheme colour: #RRGGBB as red in the lowest byte, or a raw number."""
    if text.startswith('#'):
        r, g, b = parse_rgb(text)
        return r | g << 8 | b << 16
    return int(text, 0)


def read_schemes(path):
    parser = configparser.ConfigParser(comment_prefixes=(';',), inline_comment_prefixes=(';',),
                                       interpolation=None)
    with open(path, encoding='utf-8') as f:
        parser.read_file(f)
    return {name: dict(parser[name]) for name in parser.sections()}


def font_record(text):
    """uint8 size, int32 colour, uint8 bold, uint8 name length, name."""
    size, color, weight, name = text.split(None, 3)
    face = name.encode('cp1251')
    if len(face) > MAX_FACE_NAME or weight not in ('bold', 'regular'):
        raise ValueError('bad font %r' % text)
    return struct.pack('<BIBB', int(size), color_value(color) & 0xFFFFFFFF, weight == 'bold', len(face)) + face


def colors(*values):
    return b''.join(struct.pack('<I', color_value(v) & 0xFFFFFFFF) for v in values)


def bitmap_record(picture):
    """int32 length, then a whole BMP file; length 0 empties the target."""
    data = bmp(picture) if picture else b''
    return struct.pack('<i', len(data)) + data


def button_record(width, style, glyph=None):
    """uint8 glyph count, flat, no border, display mode, width, height; glyph bitmap."""
    height, *flags = style.split()
    return struct.pack('<6B', 1, 'flat' in flags, 'noborder' in flags, 0, width, int(height)) + bitmap_record(glyph)


def frame_pictures(description):
    """Left, top, right, bottom, then the corners LT, RT, LB, RB of a frame.
    Strips are drawn across their thickness (the viewer stretches them along),
    corners by distance from the inner corner, which rounds them."""
    kind, thick, *names = description.split()
    thick, rgb = int(thick), [parse_rgb(n) for n in names]
    if kind == 'gradient':
        def shade(t):
            return blend(rgb[0], rgb[1], t)
    else:
        middle = blend(rgb[0], rgb[2], 0.5)

        def shade(t):
            return blend(rgb[0], middle, t / 0.45) if t < 0.45 else rgb[1] if t < 0.6 else \
                blend(middle, rgb[2], (t - 0.6) / 0.4)

    def tile(width, height, t_of):
        c = Canvas(width, height, rgb[0])
        for y in range(height):
            for x in range(width):
                t = t_of(x, y)
                c.put(x, y, shade(t) if t >= 0 else rgb[0])
        return c

    def corner(dx, dy):
        return tile(thick, thick, lambda x, y: 1 - math.hypot(dx(x), dy(y)) / edge)

    if thick < 2:
        raise ValueError('a frame needs at least two pixels')
    edge, length = thick - 1, 32   # t runs from 0 on the outermost pixel to 1 on the innermost
    return [tile(thick, length, lambda x, y: x / edge), tile(length, thick, lambda x, y: y / edge),
            tile(thick, length, lambda x, y: 1 - x / edge), tile(length, thick, lambda x, y: 1 - y / edge),
            corner(lambda x: edge - x, lambda y: edge - y), corner(lambda x: x, lambda y: edge - y),
            corner(lambda x: edge - x, lambda y: y), corner(lambda x: x, lambda y: y)]


def gradient_picture(width, height, top, bottom):
    c = Canvas(width, height, top)
    for y in range(height):
        c.rect(0, y, width, y + 1, blend(top, bottom, y / max(height - 1, 1)))
    return c


def scheme_bytes(s):
    """A scheme file: its items in the order the viewer reads them."""
    start, stop, inactive_start, inactive_stop = s['caption.colors'].split()
    text_color, inactive_text = s['caption.text'].split()
    top, bottom = s['menubar'].split()
    widths = [int(w) for w in s['menubar.buttons'].split()]
    glyph = Canvas(16, 16, parse_rgb(bottom))
    glyph.disc(7, 7, 5, parse_rgb(start))
    # record 4 goes to a scratch button, so the fifth button is record 5
    buttons = [button_record(w, s['menubar.button']) for w in widths[:4]]
    if len(widths) > 4:
        buttons += [button_record(16, s['menubar.button'], glyph)]
        buttons += [button_record(w, s['menubar.button']) for w in widths[4:]]
    palette = s['palette'].split()
    if not 13 <= len(palette) <= MAX_PALETTE:
        raise ValueError('a palette needs 13 to %d colours' % MAX_PALETTE)
    text_frame, list_frame = frame_pictures(s['text.frame']), frame_pictures(s['list.frame'])
    sel_back, sel_text, menu_back, menu_text = s['menu.colors'].split()
    list_sel_text, list_sel_back = s['list.select'].split()
    return b''.join([
        font_record(s['caption.font']), colors(start),
        bitmap_record(gradient_picture(8, 26, parse_rgb(top), parse_rgb(bottom))),
        struct.pack('<i', len(buttons)), *buttons,
        bitmap_record(gradient_picture(4, 4, parse_rgb(top), parse_rgb(bottom))),   # unused
        colors(start, stop, top), struct.pack('<i', 1), button_record(24, s['menubar.button'], glyph),  # unused
        colors(s['list.back']), font_record(s['list.font']),                         # unused
        colors(s['text.back']), font_record(s['text.font']),                         # unused
        colors(s['text.back']), font_record(s['text.font']),
        *[bitmap_record(p) for p in text_frame],
        font_record(s['list.font']), colors(s['list.back']),
        *[bitmap_record(p) for p in list_frame],
        struct.pack('<i', 2), bitmap_record(text_frame[4]), bitmap_record(list_frame[7]),  # unused
        font_record(s['menu.font']),
        colors(sel_back, sel_text, menu_back, menu_text, list_sel_text, list_sel_back),
        colors(stop, inactive_start, inactive_stop, text_color, inactive_text),
        colors(*s['menu.separators'].split()),
        bitmap_record(None),                                                          # unused
        struct.pack('<i', len(palette)), colors(*palette)])


# ---------------------------------------------------------------- command line

def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--synthetic', type=int, metavar='N', help='write N generated terms')
    parser.add_argument('--synthetic-words', type=int, metavar='W',
                        help='with --synthetic: a word index of W made-up words instead')
    parser.add_argument('--big-html', nargs=2, metavar=('BYTES', 'FILE'), help='write one large page')
    parser.add_argument('outdir', nargs='?', help='dictionary folder to write')
    args = parser.parse_args(argv)
    try:
        if args.big_html:
            if args.outdir or args.synthetic is not None:
                parser.error('--big-html takes no other arguments')
            build_big_html(args.big_html[1], int(args.big_html[0]))
        elif not args.outdir:
            parser.error('the dictionary folder is missing')
        elif args.synthetic_words is not None and args.synthetic is None:
            parser.error('--synthetic-words needs --synthetic')
        elif args.synthetic is not None:
            build_synthetic(args.outdir, args.synthetic, args.synthetic_words)
        else:
            build_sample(args.outdir)
    except (ValueError, OSError) as e:
        print('make_dictionary: %s' % e, file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
