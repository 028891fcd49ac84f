#!/usr/bin/env python3
"""Reads a recording of the recorder with Python's csv module, as a user's
script would: the "key,value" block up to the first empty row, the column
header, then one row per sample.  Checks that the block names the module,
that the samples are numbered 1..N without a hole, that every value cell of
a row without a status text is filled and numeric, and prints a summary.

    read_recording.py FILE ROWS
"""
import csv
import math
import sys


def main():
    path, expected = sys.argv[1], int(sys.argv[2])
    with open(path, newline="", encoding="utf-8") as f:
        reader = csv.reader(f)
        metadata = {}
        for row in reader:
            if not row:
                break
            key, value = row
            metadata[key] = value
        header = next(reader)
        rows = list(reader)
    assert metadata["module"].startswith("RQ-36"), metadata
    assert header[0] == "time" and header[1] == "sample" and header[-1] == "stav", header
    assert len(rows) == expected, (len(rows), expected)
    for n, row in enumerate(rows, start=1):
        assert len(row) == len(header), (n, row)
        assert int(row[1]) == n, (n, row[1])
        if row[-1] == "":
            for cell in row[2:-1]:
                value = int(cell, 16) if cell.startswith("0x") else float(cell)
                assert not math.isnan(value), (n, row)
    print(f"{len(rows)} rows, {len(header) - 3} channels, module {metadata['module']}")


if __name__ == "__main__":
    main()
