#!/usr/bin/env python3
"""Writes the damaged doc files the VLEngine tests load. Run from this folder; the output is committed."""
import gzip
import hashlib
import os

EOB = "^------------------------EOB"
EOC = "^------------------------EOC"
WORDS = ("alpha bravo charlie delta echo foxtrot golf hotel india juliet kilo lima mike "
         "november oscar papa quebec romeo sierra tango uniform victor whiskey xray yankee zulu").split()


def record(n):
    seed = n * 2654435761 % 2**32
    picked = []
    for _ in range(40):
        seed = (seed * 1103515245 + 12345) % 2**31
        picked.append(WORDS[seed % len(WORDS)] + str(seed % 97))
    words = " ".join(picked)
    context = "fixture record %d: %s" % (n, words)
    sig = hashlib.md5(context.encode()).hexdigest()
    return EOB.join([sig, "", "1700000000.%06d" % n, "", context, "", "{\n}"])


def doc(count):
    return EOC.join(record(n) for n in range(1, count + 1)).encode()


def member(data):
    return gzip.compress(data, compresslevel=6, mtime=0)


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


five = member(doc(5))
# Cut off after 60% of its bytes: the end of the text and the gzip trailer are missing.
write("truncated", "BigDoc_3", five[: len(five) * 6 // 10])
# A stretch of the compressed data overwritten: inflate stops with a data error or a bad check.
damaged = bytearray(five)
middle = len(damaged) * 2 // 3
damaged[middle : middle + 24] = b"\xff" * 24
write("corrupt", "BigDoc_4", bytes(damaged))
# Not gzip at all.
write("not_gzip", "BigDoc_5", b"fixture record 1: this file was never compressed\n")
# Written in place by an older version: a 2-record member over the start of a longer 3-record member.
three = member(doc(3))
two = member(doc(2))
assert len(three) > len(two)
write("stale_tail", "BigDoc_1", two + three[len(two) :])
