# Byte-level writers for the end-to-end tests: LightWave objects and paletted PNGs built here,
# independently of the program's own writers. Imported by the tests' inline Python.
import struct
import zlib


def chunk(cid, body, size16=False):
    head = cid + (struct.pack(">H", len(body)) if size16 else struct.pack(">I", len(body)))
    return head + body + (b"\0" if len(body) % 2 else b"")


def sub(cid, body):
    """A sub-chunk: 16-bit size."""
    return chunk(cid, body, True)


def s0(text):
    """A NUL-terminated string padded to an even length."""
    raw = text.encode("latin-1") + b"\0"
    return raw + (b"\0" if len(raw) % 2 else b"")


def vx(i, long_form=False):
    """A variable-length index: two bytes, or 0xFF and three bytes."""
    return struct.pack(">I", 0xFF000000 | i) if long_form or i >= 0xFF00 else struct.pack(">H", i)


def vec(*v):
    return struct.pack(">3f", *v)


def form(chunks):
    body = b"LWO2" + b"".join(chunks)
    return b"FORM" + struct.pack(">I", len(body)) + body


def png_chunk(cid, body):
    return (struct.pack(">I", len(body)) + cid + body +
            struct.pack(">I", zlib.crc32(cid + body) & 0xFFFFFFFF))

