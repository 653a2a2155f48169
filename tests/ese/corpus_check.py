#!/usr/bin/env python3
"""Every corpus file through `edb2pst inspect`: the format and every table's
column and record counts against MANIFEST.json, every known value of
VALUES.json against the table's records. Prints each difference; exit 1 if any.

usage: corpus_check.py --program EDB2PST [--emulator WINE] --corpus DIR --work DIR [--save-json DIR]
"""
import argparse, gzip, hashlib, json, os, re, struct, subprocess, sys, datetime

ap = argparse.ArgumentParser()
ap.add_argument("--program", required=True)
ap.add_argument("--emulator", default="")
ap.add_argument("--corpus", required=True)
ap.add_argument("--work", required=True)
ap.add_argument("--compare-with", default="", help="a folder of JSON printed by another build: must be identical")
args = ap.parse_args()

failures = []
def fail(where, text):
    failures.append(f"{where}: {text}")

def unpack(name):
    os.makedirs(args.work, exist_ok=True)
    path = os.path.join(args.work, name)
    if not os.path.exists(path):
        with gzip.open(os.path.join(args.corpus, name + ".gz"), "rb") as src, open(path + ".part", "wb") as dst:
            dst.write(src.read())
        os.replace(path + ".part", path)
    return path

printed = {}
def inspect(path, *extra):
    key = (path,) + extra
    if key not in printed:
        cmd = ([args.emulator] if args.emulator else []) + [args.program, "inspect", "--json", *extra, path]
        run = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
        out = run.stdout.decode("utf-8")
        if run.returncode != 0:
            fail(os.path.basename(path), f"{' '.join(extra)} exit {run.returncode}: {run.stderr.decode()[:300]}")
        name = os.path.basename(path) + "".join("." + e for e in extra) + ".json"
        with open(os.path.join(args.work, name), "w", encoding="utf-8") as f:
            f.write(out)
        if args.compare_with:
            other = os.path.join(args.compare_with, name)
            if not os.path.exists(other) or open(other, encoding="utf-8").read() != out:
                fail(name, "differs from the other build's output")
        printed[key] = json.loads(out) if out.strip() else {}
    return printed[key]

def iso_linear(days):
    """The date as the reader prints it: milliseconds only when not zero."""
    ms = round((days - 25569.0) * 86400000.0)
    t = datetime.datetime(1970, 1, 1) + datetime.timedelta(milliseconds=ms)
    text = t.strftime("%Y-%m-%dT%H:%M:%S")
    if ms % 1000:
        text += ".%03d" % (ms % 1000)
    return text.rjust(19, "0") + "Z"

def same(expected, got, column_type):
    """None when `got` (the printed JSON value) is what `expected` describes, else why not."""
    enc = expected["encoding"]
    if enc == "null":
        return None if got is None else f"expected null, got {got!r:.80}"
    if isinstance(got, dict) and "error" in got:
        return "read error: " + got["error"]
    if enc == "int":
        value = int(got) if isinstance(got, str) else got
        return None if value == expected["value"] and not isinstance(got, bool) else f"expected {expected['value']}, got {got!r}"
    if enc == "bool":
        return None if got is expected["value"] else f"expected {expected['value']}, got {got!r}"
    if enc == "float":
        fmt = "<f" if expected["width"] == 32 else "<d"
        return None if struct.pack(fmt, float(got)).hex() == expected["raw_le_hex"] else f"expected {expected['value']}, got {got!r}"
    if enc == "text":
        want = expected.get("stored_text", expected["value"])
        return None if got == want else f"expected {want!r:.80}, got {got!r:.80}"
    if enc == "binary":
        return None if got == expected["hex"] else f"expected {expected['hex']:.60}, got {str(got):.60}"
    if enc == "guid":
        return None if got == expected["value"] else f"expected {expected['value']}, got {got!r}"
    if enc in ("ole_date", "filetime"):
        # A FILETIME in a DateTime column still prints as the column's type says: its 8 bytes read as a date.
        days = struct.unpack("<d", bytes.fromhex(expected["raw_le_hex"]))[0]
        want = expected["iso8601_utc"] if enc == "ole_date" else iso_linear(days)
        return None if got == want else f"expected {want}, got {got!r}"
    if enc == "multi_value":
        if not isinstance(got, list) or len(got) != len(expected["values"]):
            return f"expected {len(expected['values'])} values, got {got!r:.80}"
        for i, (e, g) in enumerate(zip(expected["values"], got)):
            why = same(e, g, column_type)
            if why:
                return f"value {i + 1}: {why}"
        return None
    if not isinstance(got, str):
        return f"expected a value, got {got!r:.60}"
    if enc.startswith("binary"):
        data = got.encode("latin-1", "replace") if column_type in ("Text", "LongText") else bytes.fromhex(got)
    else:
        data = got
    if expected.get("length") is not None and len(data) != expected["length"]:
        return f"expected {expected['length']} long, got {len(data)}"
    if enc == "binary_pattern":
        return None if all(b == i % 255 for i, b in enumerate(data)) else "bytes break the pattern"
    if enc == "binary_prefix":
        return None if data.hex().startswith(expected["prefix_hex"]) else f"prefix {data.hex()[:20]}"
    if enc == "text_pattern":
        a = expected["alphabet"]
        return None if all(c == a[i % len(a)] for i, c in enumerate(data)) else f"text breaks the pattern: {data[:40]!r}"
    return f"unknown encoding {enc}"

manifest = json.load(open(os.path.join(args.corpus, "MANIFEST.json")))
values = json.load(open(os.path.join(args.corpus, "VALUES.json")))
paths = {}
for f in manifest["files"]:
    path = paths[f["name"]] = unpack(f["name"])
    if hashlib.sha256(open(path, "rb").read()).hexdigest() != f["sha256"]:
        fail(f["name"], "unpacked file does not match its SHA-256")
    summary = inspect(path)
    h = f["header"]
    want_format = {"version": int(h["format_version"], 16), "revision": int(h["format_revision"], 16),
                   "page_size": h["page_size"], "state": h["database_state"], "pages": h["database_pages"]}
    if summary.get("format") != want_format:
        fail(f["name"], f"format {summary.get('format')} != {want_format}")
    want_tables = [(t["name"], t["columns"], t["records"]) for t in f["tables"]]
    got_tables = [(t["name"], t["columns"], t["records"]) for t in summary.get("tables", [])]
    if got_tables != want_tables:
        fail(f["name"], f"tables {got_tables} != {want_tables}")

def records(file, table):
    return inspect(paths[file], "--table", table).get("records", [])

checked = 0
for e in values["entries"]:
    where = f"{e['id']} {e['file']} {e.get('table', '')}"
    kind = e["kind"]
    if kind in ("cell", "cell_mv_item", "row"):
        rows = records(e["file"], e["table"])
        if e["record_index"] >= len(rows):
            fail(where, f"no record {e['record_index']}")
            continue
        row = rows[e["record_index"]]
        cells = e["values"].items() if kind == "row" else [(e["column"], e["expected"])]
        for column, expected in cells:
            got = row.get(column, "<no such column>")
            if kind == "cell_mv_item":
                got = got[e["multi_value_item"] - 1] if isinstance(got, list) and len(got) >= e["multi_value_item"] else None
            elif isinstance(got, list) and expected["encoding"] != "multi_value":
                got = got[0]  # the assertion names the first value of a multi-valued cell
            why = same(expected, got, e.get("column_type"))
            if why:
                fail(where, f"record {e['record_index']} {column}: {why}")
        for column in e.get("null_columns", []):
            if row.get(column) not in (None, "", []):
                fail(where, f"record {e['record_index']} {column}: expected empty, got {row.get(column)!r:.60}")
    elif kind == "record_count":
        got = len(records(e["file"], e["table"]))
        if got != e["count"]:
            fail(where, f"{got} records, expected {e['count']}")
    elif kind in ("columns", "column_count", "columns_pattern"):
        got = [(c["name"], c["type"]) for c in inspect(paths[e["file"]], "--table", e["table"]).get("columns", [])]
        if kind == "columns":
            want = [(c["name"], c["type"]) for c in e["columns"]]
        elif kind == "columns_pattern":
            then = e["columns_then"]
            want = [(c["name"], c["type"]) for c in e["columns_first"]] + [
                (then["name"].format(i=i), then["type"]) for i in range(then["i_from"], then["i_to"] + 1)]
        if kind == "column_count":
            if len(got) != e["count"]:
                fail(where, f"{len(got)} columns, expected {e['count']}")
        elif got != want:
            fail(where, "columns differ")
    elif kind == "tables":
        got = [t["name"] for t in inspect(paths[e["file"]])["tables"]]
        if got != e["tables"]:
            fail(where, f"tables {got}")
    elif kind in ("page_size", "page_count"):
        fmt = inspect(paths[e["file"]])["format"]
        got = fmt["page_size"] if kind == "page_size" else fmt["pages"]
        if got != (e["page_size"] if kind == "page_size" else e["count"]):
            fail(where, f"{kind} {got}")
    elif kind == "cells_pattern":
        rows = records(e["file"], e["table"])
        width = re.search(r"right-aligned in (\d+) characters", e["rule"])  # the number, not the whole text
        if width:
            for i, row in enumerate(rows):
                want = "Record " + str(i).rjust(int(width.group(1)))
                for column, got in row.items():
                    if isinstance(got, str) and column == "compressed_binary":
                        got = bytes.fromhex(got).decode("latin-1")
                    if column != "id" and got != want:
                        fail(where, f"record {i} {column}: {str(got)[:40]!r}")
        else:  # record (i // 4096) has column 'Column{i}' == i
            for i in range(64993):
                if rows[i // 4096].get(f"Column{i}") != i:
                    fail(where, f"record {i // 4096} Column{i}: {rows[i // 4096].get(f'Column{i}')!r}")
                    break
    else:
        continue  # index definitions and lookups go through the engine's indexes, which inspect does not print
    checked += 1

for line in failures:
    print("FAIL", line)
print(f"{len(manifest['files'])} files, {checked} known values checked, {len(failures)} differences")
sys.exit(1 if failures else 0)
