#!/usr/bin/env python3
"""Writes the seeds of the fuzz targets whose inputs are not written by the studio itself:
ZIP archives, Intel HEX images, firmware package inner data, update manifests and DXF drawings.
Small inputs, each showing one feature of its format; some drawings announce counts far beyond
what they hold, which must be refused. Run from anywhere; it rewrites fuzz/corpus/<target>/ for
these targets."""

import os
import struct
import zlib

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
# A fixed time stamp (2024-05-17 12:30:00) keeps the seeds the same on every run.
DOS_TIME, DOS_DATE = (12 << 11) | (30 << 5), ((2024 - 1980) << 9) | (5 << 5) | 17


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as seed:
        seed.write(data if isinstance(data, bytes) else data.encode("ascii"))


# ---- ZIP archives: stored, deflated with folders, a data descriptor, PKWARE encryption ----

class ZipCrypto:
    def __init__(self, password):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for c in password.encode("latin-1"):
            self.update(c)

    @staticmethod
    def crc(value, byte):
        return zlib.crc32(bytes([byte]), value ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    def update(self, byte):
        k = self.keys
        k[0] = self.crc(k[0], byte)
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k[2] = self.crc(k[2], k[1] >> 24)

    def encrypt(self, data):
        out = bytearray()
        for p in data:
            t = (self.keys[2] | 2) & 0xFFFF
            out.append(p ^ (((t * (t ^ 1)) >> 8) & 0xFF))
            self.update(p)
        return bytes(out)


def zip_archive(entries, password=None, descriptor=False):
    """entries: (name, data, deflate) in order; a name ending in '/' is a folder."""
    body, central = b"", b""
    for name, data, deflate in entries:
        crc = zlib.crc32(data)
        stored = data
        if deflate:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            stored = packer.compress(data) + packer.flush()
        flags = 0
        if password:
            flags |= 1
            # Eleven fixed header bytes, then the check byte: the CRC's top byte.
            stored = ZipCrypto(password).encrypt(bytes(range(11)) + bytes([crc >> 24]) + stored)
        if descriptor:
            flags |= 8
        method = 8 if deflate else 0
        sizes = (0, 0, 0) if descriptor else (crc, len(stored), len(data))
        raw = name.encode("ascii")
        offset = len(body)
        body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, method, DOS_TIME, DOS_DATE,
                            *sizes, len(raw), 0) + raw + stored
        if descriptor:
            body += struct.pack("<IIII", 0x08074B50, crc, len(stored), len(data))
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, method, DOS_TIME,
                               DOS_DATE, crc, len(stored), len(data), len(raw), 0, 0, 0, 0,
                               0x10 if name.endswith("/") else 0, offset) + raw
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(body), 0)
    return body + central + end


text = b"Talvex firmware notes\n" * 3
write("zip_archives", "stored", zip_archive([("readme.txt", text, False)]))
write("zip_archives", "deflated_folders",
      zip_archive([("docs/", b"", False), ("docs/a.txt", text, True), ("b.bin", bytes(range(64)), True)]))
write("zip_archives", "data_descriptor", zip_archive([("streamed.txt", text, True)], descriptor=True))
write("zip_archives", "encrypted", zip_archive([("secret.txt", text, True)], password="fuzz"))


# ---- Intel HEX: data records, an extended linear and a segment address, end of file ----

def hex_record(kind, address, data=b""):
    row = bytes([len(data), address >> 8, address & 0xFF, kind]) + data
    return ":%s%02X\n" % (row.hex().upper(), (-sum(row)) & 0xFF)


write("hex_images", "two_rows", hex_record(0, 0, bytes(range(16))) + hex_record(0, 0x10, b"\x12\x34")
      + hex_record(1, 0))
write("hex_images", "linear_and_segment_address", hex_record(4, 0, b"\x00\x01") + hex_record(0, 0x20, b"\xAA" * 8)
      + hex_record(2, 0, b"\x10\x00") + hex_record(0, 4, b"\x55" * 4) + hex_record(5, 0, b"\x00\x00\x01\x00")
      + hex_record(1, 0))


# ---- Firmware packages: the pick byte (checksum and compression, model), then the inner data ----

def qint32(value):
    return struct.pack(">i", value)


def qbytes(data):
    return struct.pack(">I", len(data)) + data


def qstring(value):
    raw = value.encode("utf-16-be")
    return struct.pack(">I", len(raw)) + raw


def qdate(year, month, day):
    # The Julian day number, as QDate streams it.
    a = (14 - month) // 12
    y, m = year + 4800 - a, month + 12 * a - 3
    return struct.pack(">q", day + (153 * m + 2) // 5 + 365 * y + y // 4 - y // 100 + y // 400 - 32045)


image = (hex_record(0, 0, bytes(range(32))) + hex_record(1, 0)).encode("ascii")
checksum_and_compressed = 0x03
write("firmware_packages", "legacy_model_27_1",
      bytes([checksum_and_compressed | (3 << 3)]) + qint32(2) + qint32(3) + qdate(2024, 5, 17) + qbytes(image))
secondary = qint32(1) + qstring("motor chip") + qint32(0) + qint32(16) + qint32(4) + qbytes(bytes(range(40)))
write("firmware_packages", "layout1_secondary_model_10_1",
      bytes([checksum_and_compressed | (2 << 3)]) + qint32(-1) + qint32(1) + qint32(1) + qdate(2023, 1, 31)
      + qbytes(image) + qint32(1) + secondary)


# ---- Update manifests: format 1 with firmware, format 2 with files and release notes ----

write("update_manifests", "format1_firmware",
      '<u><app MajorVersion="6" MinorVersion="1" Checksum="4294967295"/>'
      '<firmware DeviceID="27" DeviceVersion="1" MajorVersion="2" MinorVersion="3" Checksum="4000000000"/>'
      '<firmware DeviceID="10" DeviceVersion="1" MajorVersion="1" MinorVersion="0" Checksum="5"/></u>')
write("update_manifests", "format2_files",
      '<u><version Value="2"/><app MajorVersion="6" MinorVersion="2" Checksum="17"/>'
      '<file Name="libplot" Checksum="18"/><releasenotes Value="&lt;b&gt;New&lt;/b&gt;"/>'
      '<firmware DeviceID="1" DeviceVersion="2" MajorVersion="4" MinorVersion="0" Checksum="9"/></u>')
# As the update server stores it: the plain length (big-endian), then a zlib stream.
stored = ('<u><version Value="2"/><app MajorVersion="6" MinorVersion="2" Checksum="17"/>'
          '<file Name="libplot" Checksum="18"/></u>').encode()
write("update_manifests", "stored_compressed", struct.pack(">I", len(stored)) + zlib.compress(stored))


# ---- DXF drawings: lines, a closed light-weight polyline, arc and circle, an old polyline, and
# counts beyond what the drawing holds ----

def dxf(entities):
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n"


def line(x1, y1, x2, y2):
    return "0\nLINE\n8\n0\n10\n%g\n20\n%g\n30\n0\n11\n%g\n21\n%g\n31\n0\n" % (x1, y1, x2, y2)


write("dxf_drawings", "square_of_lines", dxf(line(0, 0, 5, 0) + line(5, 0, 5, 5) + line(5, 5, 0, 5)
                                              + line(0, 5, 0, 0)))
write("dxf_drawings", "closed_lwpolyline_with_bulge",
      dxf("0\nLWPOLYLINE\n8\n0\n90\n3\n70\n1\n10\n0\n20\n0\n42\n0.5\n10\n5\n20\n0\n10\n5\n20\n5\n"))
write("dxf_drawings", "arc_and_circle",
      dxf("0\nARC\n8\n0\n10\n1\n20\n1\n30\n0\n40\n2\n50\n0\n51\n90\n"
          "0\nCIRCLE\n8\n0\n10\n9\n20\n9\n30\n0\n40\n1.5\n"))
write("dxf_drawings", "polyline_with_vertices",
      dxf("0\nPOLYLINE\n8\n0\n66\n1\n70\n1\n"
          "0\nVERTEX\n8\n0\n10\n0\n20\n0\n0\nVERTEX\n8\n0\n10\n3\n20\n0\n42\n1\n"
          "0\nVERTEX\n8\n0\n10\n3\n20\n3\n0\nSEQEND\n8\n0\n"))

# Counts that dxflib sizes its arrays by, far beyond what the drawing holds: each is refused
# before dxflib allocates (the fuzz run stops on an allocation over 256 MB).
write("dxf_drawings", "lwpolyline_announcing_50M_vertices",
      dxf("0\nLWPOLYLINE\n8\n0\n90\n50000000\n70\n1\n10\n0\n20\n0\n10\n5\n20\n0\n10\n5\n20\n5\n"))
write("dxf_drawings", "leader_announcing_50M_vertices",
      dxf("0\nLEADER\n8\n0\n76\n50000000\n10\n0\n20\n0\n10\n1\n20\n1\n"))
write("dxf_drawings", "spline_announcing_50M_knots_control_and_fit_points",
      dxf("0\nSPLINE\n8\n0\n72\n50000000\n73\n50000000\n74\n50000000\n40\n0\n10\n0\n20\n0\n11\n0\n21\n0\n"))
# Four times this count no longer fits an int; the next one narrows to the largest int.
write("dxf_drawings", "lwpolyline_count_overflowing_its_array_size",
      dxf("0\nLWPOLYLINE\n8\n0\n90\n600000000\n10\n0\n20\n0\n10\n5\n20\n0\n"))
write("dxf_drawings", "lwpolyline_count_past_the_range_of_an_int",
      dxf("0\nLWPOLYLINE\n8\n0\n90\n6442450943\n10\n0\n20\n0\n10\n5\n20\n0\n"))
