#!/usr/bin/env python3
"""Writes the seed corpora in corpus/<target>/: small inputs that start the
fuzzers off on every path the units read. Run it again after changing it;
tools/fuzz.sh never writes into these folders."""

import pathlib
import shutil
import struct
import zlib

here = pathlib.Path(__file__).resolve().parent
corpus = here / "corpus"
resources = here.parent.parent / "resources"


def write(target, name, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data.encode("latin-1") if isinstance(data, str) else data)


# Document text: the record as Windows and Mac documents write it, inside
# binary bytes, empty, cut off, with Shift_JIS names and a surrogate pair
# (as two little-endian units).
write("fuzz_extraction", "windows", "%!PS-Adobe-3.0\r\n%%DocumentFiles:C:\\Users\\a\\x.png\r\n"
      "%%+C:\\Users\\a\\y.psd\r\n%%+C:\\Users\\a\\x.png\r\n%%EndComments\r\n")
write("fuzz_extraction", "mac", "%%DocumentFiles:/Users/a/Work/x.tif\r%%+/Volumes/b:c.eps\r"
      "%%+Macintosh HD:img.jpg\r\r")
write("fuzz_extraction", "binary", "\x00%PDF-1.5\x00\x01\xff\xfe stream\n%%DocumentFiles:"
      "d:\\a.ai\n%%+\n%%+\\\\server\\share\\p.pdf\n%%+no end")
write("fuzz_extraction", "empty", "%%DocumentFiles:\r\n%%DocumentFiles:C:\\second.png\r\n")
write("fuzz_extraction", "shift_jis", b"%%DocumentFiles:C:\\\x89\xe6\x91\x9c\\\x83e\x83X"
      b"\x83g.png\r\n%%+\x83\\\x83\\.png\r\n\x82")
write("fuzz_extraction", "surrogates", b"=\xd8\x00\xdeA\x00=\xd8\x00\xde%\x00%\x00+\x00")

# Command lines.
write("fuzz_arguments", "plain", "Marovan.exe a.ai b.ai")
write("fuzz_arguments", "quoted", "\"C:\\Program Files\\Marovan.exe\" \"C:\\my docs\\a.ai\" "
      "C:\\x\" y\"\\b.ai")
write("fuzz_arguments", "empty_quotes", "Marovan.exe \"\" \"\"\"\" a\"\"b \" \"\t\x01z\x1f")
write("fuzz_arguments", "open_quote", "Marovan.exe a.ai \"unterminated")
write("fuzz_arguments", "nul", "Marovan.exe a\x00b c")

# Settings values; the 5-byte seed's bytes are also the written integer.
for name, value in [("one", "1"), ("hex", " -0x7FFFFFFF"), ("dollar", "$80000000"),
                    ("too_large", "2147483648"), ("x", " +x1f"), ("word", "yes"),
                    ("written", "\x00\x00\x00\x80\x0f"), ("wide", "\xff1\x01")]:
    write("fuzz_ini_value", name, value)


# Pictures: the two the program ships, and small ones that each stop in a
# different place. Some hold raw rows where the zlib stream belongs; the
# fuzz target compresses those when it repairs an input.
def chunk(kind, data, crc=None):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", crc if crc is not None
                                                             else zlib.crc32(body))


def png(*chunks):
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


def ihdr(width, height, depth=8, colour=6, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))


iend = chunk(b"IEND", b"")
for picture in ["Banner.png", "ProgramPicture.png"]:
    shutil.copyfile(resources / picture, corpus / "fuzz_png_reader" / picture)
rows = bytes([1, 10, 20, 30, 5, 5, 5, 2, 1, 2, 3, 4, 5, 6])  # 2x2 RGB, filters 1 and 2
compressed = zlib.compress(rows)
write("fuzz_png_reader", "rgb_split_idat", png(ihdr(2, 2, colour=2), chunk(b"IDAT", compressed[:5]),
                                               chunk(b"IDAT", compressed[5:]), iend))
write("fuzz_png_reader", "palette_raw_rows", png(
    ihdr(3, 2, colour=3), chunk(b"PLTE", bytes(range(9))), chunk(b"tRNS", b"\x00\x80"),
    chunk(b"IDAT", bytes([0, 0, 1, 2, 4, 1, 1, 0])), iend))
write("fuzz_png_reader", "grey_key_paeth_raw", png(
    ihdr(2, 2, colour=0), chunk(b"tRNS", b"\x00\x07"), chunk(b"IDAT", bytes([3, 7, 9, 4, 1, 200])),
    chunk(b"tEXt", b"a\x00b"), iend))
write("fuzz_png_reader", "bad_crc", png(ihdr(1, 1, colour=4), chunk(b"IDAT", zlib.compress(b"\0\1\2"),
                                                                    crc=0), iend))
write("fuzz_png_reader", "interlaced_16bit", png(ihdr(1, 1, depth=16, interlace=1), iend))
write("fuzz_png_reader", "truncated", (resources / "Banner.png").read_bytes()[:70])
