#!/usr/bin/env python3
"""Reads dmmlog's CSV or JSON lines with Python's own parsers and prints each reading as
one tab-separated line of Python values, so that a test can compare both forms with the
records they came from. Fails on a missing or stray column, a wrong type or a bad flag."""
import csv
import json
import sys

FIELDS = ["run", "seq", "sample", "time", "value", "unit", "prefix", "display",
          "function", "overload", "low_battery"]


def fail(message):
    sys.stderr.write("readings.py: " + message + "\n")
    sys.exit(1)


def from_csv(stream):
    reader = csv.reader(stream, strict=True)
    header = next(reader, None)
    if header != FIELDS:
        fail("header %r" % (header,))
    for row in reader:
        if len(row) != len(FIELDS):
            fail("row of %d fields: %r" % (len(row), row))
        r = dict(zip(FIELDS, row))
        for flag in ("overload", "low_battery"):
            if r[flag] not in ("true", "false"):
                fail("%s is %r" % (flag, r[flag]))
            r[flag] = r[flag] == "true"
        r["seq"] = int(r["seq"])
        r["sample"] = int(r["sample"]) if r["sample"] else None
        r["value"] = float(r["value"]) if r["value"] else None
        yield r


def from_json(stream):
    for line in stream:
        r = json.loads(line)
        if sorted(r) != sorted(FIELDS):
            fail("keys %r" % sorted(r))
        if not isinstance(r["overload"], bool) or not isinstance(r["low_battery"], bool):
            fail("flags %r" % line)
        if r["value"] is not None and not isinstance(r["value"], (int, float)):
            fail("value %r" % line)
        if r["value"] is not None:
            r["value"] = float(r["value"])
        yield r


def main():
    kind, path = sys.argv[1], sys.argv[2]
    with open(path, newline="", encoding="utf-8") as stream:
        rows = from_csv(stream) if kind == "csv" else from_json(stream)
        for r in rows:
            print("\t".join(repr(r[f]) if f in ("value", "sample", "overload", "low_battery")
                            else str(r[f]) for f in FIELDS))


main()
