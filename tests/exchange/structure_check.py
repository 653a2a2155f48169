#!/usr/bin/env python3
"""edb2pst list --structure as a user runs it.

--corpus DIR: every file of the ESE corpus (none is an Exchange database),
unpacked beforehand into the work folder, is refused with exit 2, naming each
of its own tables from MANIFEST.json.
--writer MAKE_ESE_DB --case NAME: the JSON printed for a written
Exchange-shaped database equals what the writer says it holds; in a mailbox
with damaged links the folders are all there and both links are reported;
the catalog the note asks users for is printed.

usage: structure_check.py --program EDB2PST [--emulator WINE] --work DIR (--corpus DIR | --writer PROGRAM --case NAME)
"""
import argparse, json, os, subprocess, sys

ap = argparse.ArgumentParser()
ap.add_argument("--program", required=True)
ap.add_argument("--emulator", default="")
ap.add_argument("--work", required=True)
ap.add_argument("--corpus")
ap.add_argument("--writer")
ap.add_argument("--case")
args = ap.parse_args()
os.makedirs(args.work, exist_ok=True)
failures = []


def structure(path, command=("list", "--structure")):
    if args.emulator:  # wine maps the Unix root to Z:
        path = "Z:" + os.path.abspath(path).replace("/", "\\")
    cmd = ([args.emulator] if args.emulator else []) + [args.program, *command, "--json", path]
    run = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    return run.returncode, run.stdout.decode("utf-8"), run.stderr.decode("utf-8", "replace")


def check_corpus():
    manifest = json.load(open(os.path.join(args.corpus, "MANIFEST.json"), encoding="utf-8"))
    for entry in manifest["files"]:
        name = entry["name"]
        code, out, err = structure(os.path.join(args.work, name))
        tables = [t["name"] for t in entry["tables"] if not t["name"].startswith("MSys")]
        if code != 2 or out:
            failures.append(f"{name}: exit {code}, {len(out)} bytes on standard output")
        if "not an Exchange mailbox database" not in err:
            failures.append(f"{name}: no refusal in {err!r}")
        missing = [t for t in tables[:40] if t not in err]
        if missing:
            failures.append(f"{name}: tables not named: {missing}")
        print(f"{name}: refused, {len(tables)} tables named")


def rows(mailbox):
    return sorted((f["path"], f["class"], f["messages"]) for f in mailbox["folders"])


def check_written():
    code = subprocess.run([args.writer, args.case, args.work]).returncode
    if code != 0:
        sys.exit(f"{args.writer} {args.case}: exit {code}")
    expected = json.load(open(os.path.join(args.work, args.case + ".json"), encoding="utf-8"))
    code, out, err = structure(os.path.join(args.work, args.case + ".edb"))
    if code != 0:
        failures.append(f"exit {code}: {err[:300]}")
    got = json.loads(out)
    for key in ("schema", "dirty"):
        if got[key] != expected[key]:
            failures.append(f"{key}: {got[key]!r}, the writer wrote {expected[key]!r}")
    if len(got["mailboxes"]) != len(expected["mailboxes"]):
        failures.append(f"{len(got['mailboxes'])} mailboxes, the writer wrote {len(expected['mailboxes'])}")
    for mine, theirs in zip(got["mailboxes"], expected["mailboxes"]):
        where = f"mailbox {theirs['number']}"
        if (mine["number"], mine["name"]) != (theirs["number"], theirs["name"]):
            failures.append(f"{where}: read as {mine['number']} {mine['name']!r}")
        if "damaged_links" in theirs:
            problems = " ".join(mine.get("problems", []))
            if len(mine["folders"]) != len(theirs["folders"]):
                failures.append(f"{where}: {len(mine['folders'])} folders, the writer wrote {len(theirs['folders'])}")
            if "not in the mailbox" not in problems or "each other's parents" not in problems:
                failures.append(f"{where}: damaged links not reported: {problems!r}")
        elif rows(mine) != rows(theirs) or "problems" in mine:
            failures.append(f"{where}: folders differ from the writer's")
    if "not yet been checked on a real Exchange database" not in err or "inspect --catalog" not in err:
        failures.append("no note that the reading is unchecked and how to help")
    code, out, err = structure(os.path.join(args.work, args.case + ".edb"), ("inspect", "--catalog"))
    if code != 0 or json.loads(out)["table"] != "MSysObjects":
        failures.append(f"inspect --catalog: exit {code}, {out[:100]!r}")
    print(f"{args.case}: {len(got['mailboxes'])} mailboxes, "
          f"{sum(len(m['folders']) for m in got['mailboxes'])} folders")


check_corpus() if args.corpus else check_written()
for failure in failures[:50]:
    print("FAIL", failure)
sys.exit(1 if failures else 0)
