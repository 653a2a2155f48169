#!/usr/bin/env python3
"""The corpus through Debian's libesedb tools (esedbinfo, esedbexport) and
impacket's reader, against what `edb2pst inspect` printed (the known-answers
test leaves its JSON in --work). Where a peer reads a file, its tables, column
and record counts, and impacket's integer and text values, must equal ours;
where it cannot, this says so. Exit 1 on any difference.
"""
import argparse, glob, json, os, re, shutil, subprocess, sys

ap = argparse.ArgumentParser()
ap.add_argument("--work", required=True)
ap.add_argument("--corpus", required=True)
ap.add_argument("--program", required=True)
args = ap.parse_args()

IMPACKET = r'''
import json, sys
from impacket.ese import ESENT_DB
db = ESENT_DB(sys.argv[1])
out = {}
for name, table in db._ESENT_DB__tables.items():
    cursor = db.openTable(name)
    rows = []
    while True:
        row = db.getNextRow(cursor)
        if row is None:
            break
        rows.append({k.decode("latin-1"): (v if isinstance(v, int) else v.rstrip("\x00") if isinstance(v, str) else None)
                     for k, v in row.items()})
    out[name.decode("latin-1")] = {"columns": len(table["Columns"]), "rows": rows}
print(json.dumps(out))
'''

failures, notes = [], []
manifest = json.load(open(os.path.join(args.corpus, "MANIFEST.json")))
for f in manifest["files"]:
    name = f["name"]
    path = os.path.join(args.work, name)
    ours = json.load(open(os.path.join(args.work, name + ".json")))
    our_tables = {t["name"]: (t["columns"], t["records"]) for t in ours["tables"]}

    if f["header"]["page_size"] > 8192:
        # Over large.edb's 65,068-row catalog esedbinfo alone takes minutes here (and cannot read `large`).
        notes.append(f"{name}: not given to esedbinfo/esedbexport: they take minutes over pages this size")
        info = ""
    else:
        info = subprocess.run(["esedbinfo", path], stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout.decode("latin-1")
    peer = dict(re.findall(r"Table: \d+\s+(.+?) \(\d+\)\n\tNumber of columns:\s+(\d+)", info))
    if info and not peer:
        notes.append(f"{name}: esedbinfo cannot read it")
    else:
        for table, columns in peer.items():
            if our_tables.get(table, (None,))[0] != int(columns):
                failures.append(f"{name} {table}: esedbinfo {columns} columns, ours {our_tables.get(table)}")
    export = os.path.join(args.work, "esedbexport", name)
    shutil.rmtree(export + ".export", ignore_errors=True)
    os.makedirs(os.path.dirname(export), exist_ok=True)
    if info:
        subprocess.run(["esedbexport", "-t", export, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for dump in glob.glob(export + ".export/*") if info else []:
        table = os.path.basename(dump).rsplit(".", 1)[0]
        with open(dump, "rb") as lines:
            count = sum(1 for _ in lines) - 1
        if table in our_tables and count != our_tables[table][1] and our_tables[table][0] < 1000:
            failures.append(f"{name} {table}: esedbexport {count} records, ours {our_tables[table][1]}")
        elif table in our_tables and count != our_tables[table][1]:
            notes.append(f"{name} {table}: esedbexport cannot export its records (it wrote {count})")

    run = subprocess.run(["/usr/bin/python3", "-c", IMPACKET, path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 0:
        notes.append(f"{name}: impacket cannot read it ({run.stderr.decode().strip().splitlines()[-1][:100]})")
        continue
    for table, got in json.loads(run.stdout).items():
        if our_tables.get(table) != (got["columns"], len(got["rows"])):
            failures.append(f"{name} {table}: impacket {got['columns']} x {len(got['rows'])}, ours {our_tables.get(table)}")
            continue
        mine = json.loads(subprocess.run([args.program, "inspect", "--json", "--table", table, path],
                                         stdout=subprocess.PIPE).stdout)
        types = {c["name"]: c["type"] for c in mine["columns"]}
        compared = 0
        for i, (a, b) in enumerate(zip(mine["records"], got["rows"])):
            for column, value in b.items():
                ours_value = a.get(column)
                # impacket returns fill bytes for NULL fixed columns, raw unsigned 64-bit values, ids for long values.
                if value is None or ours_value is None or types.get(column) in ("LongLong", "Currency", "DateTime", "LongText", "LongBinary"):
                    continue
                if isinstance(ours_value, str) and isinstance(value, str):
                    # impacket turns the odd last byte of a fixed UTF-16 column into U+FFFD; we keep it as a character.
                    ours_value, value = ours_value.rstrip("\x00 "), value.rstrip("\x00 \ufffd")
                if isinstance(ours_value, bool):
                    ours_value = int(ours_value) and value
                compared += 1
                if ours_value != value:
                    failures.append(f"{name} {table} record {i} {column}: impacket {value!r:.60}, ours {ours_value!r:.60}")
        notes.append(f"{name} {table}: {compared} values equal to impacket's")

for line in notes:
    print("note", line)
for line in failures:
    print("FAIL", line)
print(f"{len(manifest['files'])} files, {len(failures)} differences from the peer readers")
sys.exit(1 if failures else 0)
