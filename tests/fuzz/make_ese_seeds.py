#!/usr/bin/env python3
"""Seeds for ese_reader_fuzzer from the ESE corpus, made at fuzz time into the
build folder (the corpus files are never copied into the repository): each
file's pages that hold anything, as (2-byte page index, page) pieces.
usage: make_ese_seeds.py CORPUS_DIR OUT_DIR"""
import gzip, os, struct, sys

corpus, out = sys.argv[1:3]
os.makedirs(out, exist_ok=True)
for name in ("basic.edb", "multi.edb", "test.edb", "decompress_test.edb", "text.edb"):
    path = os.path.join(corpus, name + ".gz")
    if not os.path.exists(path):
        continue
    data = gzip.open(path).read()
    size = struct.unpack_from("<I", data, 236)[0]
    pieces = [struct.pack("<H", i) + data[i * size:(i + 1) * size]
              for i in range(len(data) // size) if data[i * size:(i + 1) * size].strip(b"\0")]
    open(os.path.join(out, name), "wb").write(b"".join(pieces))
