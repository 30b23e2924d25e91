#!/usr/bin/env python3
"""Runs the benchmark binary and prints one table of all ratios with pass/fail.

    bench/run.py path/to/pellacorm_bench [extra benchmark flags...]

Build first with the Release preset:
    cmake --preset bench && cmake --build --preset bench
    bench/run.py build/bench/bench/pellacorm_bench
or a Release build directory of your own, for example:
    cmake -S . -B /tmp/pellacorm-bench -DCMAKE_BUILD_TYPE=Release -DPELLACORM_BENCH=ON -DPELLACORM_TESTS=OFF
    cmake --build /tmp/pellacorm-bench --target pellacorm_bench -j2
Exits 1 when any target is missed.
"""
import json
import math
import subprocess
import sys


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    binary = sys.argv[1]
    extra = sys.argv[2:]
    out = subprocess.run([binary, "--benchmark_format=json", "--benchmark_min_time=0.5"] + extra,
                         check=True, capture_output=True, text=True).stdout
    results = {b["name"]: b for b in json.loads(out)["benchmarks"]}

    rows = []

    def ratio_row(label, name, limit):
        b = results.get(name)
        if b is None or b.get("error_occurred"):
            rows.append((label, "error", f"<= {limit}", False))
            return
        value = b["ratio"]
        rows.append((label, f"{value:.2f}x  ({b['product_ns']:.0f} / {b['floor_ns']:.0f} ns)",
                     f"<= {limit}x", value <= limit))

    ratio_row("Decode+Encode, typical command (floor: one copy)", "BM_DecodeEncode/6/1", 3.0)
    ratio_row("Decode+Encode, 900-byte command (floor: two copies)", "BM_DecodeEncode/889/2", 1.5)
    ratio_row("QueryCommandDisplayName, typical", "BM_QueryCommandDisplayName/6", 1.5)
    ratio_row("QueryCommandDisplayName, 900-byte", "BM_QueryCommandDisplayName/889", 1.5)
    for n, limit in ((1000, 1.5), (10000, 1.5), (100000, 1.2)):
        ratio_row(f"LoadTopicNames, {n} folders", f"BM_LoadTopicNames/{n}", limit)
    small = results.get("BM_LoadTopicNames/1000")
    large = results.get("BM_LoadTopicNames/100000")
    if small and large and not small.get("error_occurred") and not large.get("error_occurred"):
        growth = large["product_ns_per_name"] / small["product_ns_per_name"]
        allowed = math.log(100000) / math.log(1000)
        rows.append(("LoadTopicNames, per-name growth 1k->100k", f"{growth:.2f}x", f"<= {allowed:.2f}x (log n)",
                     growth <= allowed))
    else:
        rows.append(("LoadTopicNames, per-name growth 1k->100k", "error", "", False))
    ratio_row("Command (one action request)", "BM_Command", 1.3)
    ratio_row("Report of one entry", "BM_Report", 1.2)
    abbrev = [results.get(f"BM_AbbreviateFolderPath/{d}") for d in (4, 32, 256)]
    if all(abbrev):
        per_byte = [b["ns_per_byte"] for b in abbrev]
        growth = per_byte[-1] / per_byte[0]
        rows.append(("AbbreviateFolderPath, ns/byte growth 64x length",
                     f"{growth:.2f}x  ({per_byte[0]:.1f} -> {per_byte[-1]:.1f} ns/byte)", "<= 1.5x (linear)",
                     growth <= 1.5))
    else:
        rows.append(("AbbreviateFolderPath, ns/byte growth", "error", "", False))

    chain = [results.get(f"BM_MemstoreChainWalk/{d}") for d in (500, 5000)]
    if all(chain) and not any(b.get("error_occurred") for b in chain):
        growth = (chain[1]["real_time"] / 5000) / (chain[0]["real_time"] / 500)
        rows.append(("memstore walk, time per folder 500 -> 5000 deep", f"{growth:.2f}x", "<= 1.5x (linear)",
                     growth <= 1.5))
    else:
        rows.append(("memstore walk, time per folder 500 -> 5000 deep", "error", "", False))

    # Where the time goes: parts of the product operations, timed alone.
    notes = []

    def note(label, name, counter):
        b = results.get(name)
        if b is not None and counter in b:
            notes.append(f"{label}: {b[counter]:.0f} ns")

    note("LoadResString (one priority name)", "BM_QueryCommandDisplayName/6", "load_res_string_ns")
    note("OpenInbox (one Command)", "BM_Command", "open_inbox_ns")
    note("platform _fsopen + fclose of the log (one Report)", "BM_Report", "fsopen_fclose_ns")
    note("CompareStringA of two topic names", "BM_LoadTopicNames/1000", "compare_string_ns")
    note("LCMapStringA sort key of one topic name", "BM_LoadTopicNames/1000", "sort_key_ns")
    for n in (1000, 100000):
        walk = results.get(f"BM_GetTopicNamesUnsorted/{n}")
        full = results.get(f"BM_LoadTopicNames/{n}")
        if walk and full and "product_ns" in walk and "product_ns" in full:
            notes.append(f"LoadTopicNames {n}: walk {walk['product_ns'] / 1e6:.1f} ms "
                         f"({walk['ratio']:.2f}x the bare walk), sort and conversion "
                         f"{(full['product_ns'] - walk['product_ns']) / 1e6:.1f} ms")

    width = max(len(r[0]) for r in rows)
    vwidth = max(len(r[1]) for r in rows)
    print(f"{'benchmark'.ljust(width)}  {'measured'.ljust(vwidth)}  {'target':<22} result")
    for label, value, target, ok in rows:
        print(f"{label.ljust(width)}  {value.ljust(vwidth)}  {target:<22} {'PASS' if ok else 'FAIL'}")
    if notes:
        print()
        for line in notes:
            print(line)
    return 0 if all(r[3] for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
