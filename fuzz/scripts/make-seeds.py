#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes the committed seed corpora of the fuzz targets (fuzz/corpus/).

Each seed is a small input in the target's own layout (see the comment at
the top of each *_fuzz.cpp). Run from anywhere; it rewrites the seeds in
place, so a change of layout is one edit here.

    fuzz/scripts/make-seeds.py
"""
import pathlib
import struct

FUZZ = pathlib.Path(__file__).resolve().parent.parent
SAMPLES = FUZZ.parent / "samples"
CORPUS = FUZZ / "corpus"

# Indexes into kNames of profile_fuzz.cpp.
NAME = {"1": 0, "7": 1, "99": 2, "General": 3, "Name": 4, "Device": 5,
        "PaperSource1": 6, " 7 ": 7, "NAME": 8, "device": 9, "[x]": 10,
        "a]b": 11, "a[b": 12, ";c": 13, "k=v": 14, "": 15, " ": 16,
        '"q"': 17, "[k": 18, "U-umlaut": 19, "ff": 20, "injection": 21,
        "tab 1": 22, "Port": 23}


def text(data: bytes) -> bytes:
    assert len(data) < 128
    return bytes([len(data)]) + data


def write(section: str, key: str, value: bytes, long: bool = False) -> bytes:
    return (bytes([0, NAME[section], NAME[key]]) + text(value) +
            bytes([0xFF, 20] if long else [0]))


def erase(section: str) -> bytes:
    return bytes([5, NAME[section]])


FLUSH = bytes([7])


def profile_seed(file: bytes, operations: bytes, missing: bool = False) -> bytes:
    return bytes([1 if missing else 0]) + struct.pack("<H", len(file)) + file + operations


def profile_seeds() -> dict:
    sample = (SAMPLES / "Vezerava.ini").read_bytes()
    odd = (b"text before any section\n[General]\nOwner=x\n; comment\n[7]\n"
           b"Name=first\nName=duplicate\n[7]\nName=second section\n"
           b" [ 99 ] \n  Device =  \"quoted\"  \nno equals sign\nPort='single'\n"
           b"[a]b]\nk=v\r\n\r\nlone\rcarriage return=x\n")
    return {
        "sample-edit": profile_seed(sample, write("7", "Device", b"Office Laser") +
                                    erase("99") + write("1", "Name", b" padded ")),
        "odd-file": profile_seed(odd, write("7", "NAME", b"\"kept quotes\"") +
                                 erase("7") + write("7", "Port", b"after erase") + FLUSH +
                                 write(" 7 ", "Device", b"x\r\n[7]\r\nDevice=evil") +
                                 write("a]b", "k=v", b"refused")),
        "missing-file": profile_seed(b"", write("1", "Name", b"new") +
                                     write("General", "Device", b"", long=True) +
                                     erase("1"), missing=True),
        "hostile-names": profile_seed(b"[x]\nName=1\n", write("[x]", "Name", b"=;[]") +
                                      write("injection", "[k", b"]tail") +
                                      write("a[b", ";c", b"comment?") +
                                      write("U-umlaut", "ff", b"\xff\xfe\x00bytes")),
    }


def names_seeds() -> dict:
    return {
        "sample": (SAMPLES / "KevoName.txt").read_bytes(),
        "crlf-cr-ctrlz": b"Invoices\r\nOrd\rers\r\n\r\n  padded  \nlast\x1aname\n\x1aignored\n",
        "hundred-lines": b"".join(b"name %d\n" % i for i in range(100)),
        "one-line-end": b"\n",
    }


def command_line_seeds() -> dict:
    return {
        "modes": b'kevoconf 1 "C:\\Apps\\Kevo Names.txt" setup.ini extra',
        "empty-quotes": b'kevoconf "" 2 ""names""',
        "hex": b"kevoconf $2 0x0 x1 0X7FFFFFFF",
        "signs": b"kevoconf +1 -0 01 -2147483648 2147483648",
        "blanks": b'kevoconf " 2" \t\x01 "unterminated',
    }


def catalogue_seeds() -> dict:
    printers = (SAMPLES / "printers.txt").read_bytes()
    hostile = (b'default Office\nprinter Office\n    devices "drv,port"\n'
               b'    bin 15 "  [Upper]=;\\t "\n    bin 256 "\\"q\\""\n'
               b'    bin-name "x\\r\\n[7]\\r\\nDevice=evil"\n'
               b'printer "office"\n    port LPT1:\n    names-count 65537\n'
               b'printer "\\xff\\xfe"\n    numbers-data fail\n')
    # The fuzz-driven service: two printers, the default named, bins.
    structured = bytes([0, 2]) + text(b"Office") + bytes([1]) + text(b"LPT1:") + \
        text(b"Driver,LPT1:") + bytes([5, 5, 2]) + b"Upper".ljust(24, b"\0") + \
        b"Lower tray with 24 bytes" + bytes([5, 5, 2, 15, 0, 0, 1]) + \
        bytes([10]) + text(b"Plotter") + bytes([0]) + text(b"") + bytes([0, 0, 0, 0, 0, 0]) + \
        bytes([0, 1, 1, 0]) + text(b"Office,drv,port") + text(b"office")
    return {
        "sample": bytes([1]) + struct.pack("<H", len(printers)) + printers + text(b"Office Laser"),
        "hostile": bytes([1]) + struct.pack("<H", len(hostile)) + hostile + text(b"OFFICE"),
        "structured": structured,
    }


def main() -> None:
    for target, seeds in (("profile", profile_seeds()), ("names", names_seeds()),
                          ("command_line", command_line_seeds()),
                          ("catalogue", catalogue_seeds())):
        folder = CORPUS / target
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.iterdir():
            old.unlink()
        for name, data in seeds.items():
            (folder / name).write_bytes(data)
        print(f"{folder}: {len(seeds)} seeds")


if __name__ == "__main__":
    main()
