#!/usr/bin/env python3
"""Prints the benchmark table from the raw figures scripts/bench leaves in build-release/bench-results/."""
import json
import pathlib
import statistics
import sys

out = pathlib.Path(sys.argv[1])
rounds = int(sys.argv[2])


def pipeline():
    data = json.loads((out / "pipeline.json").read_text())
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b["real_time"]  # milliseconds
    return medians, data["context"]


def keyed(path):
    values = {}
    for line in path.read_text().splitlines():
        key, _, value = line.partition(" ")
        if value:
            values[key] = float(value)
    return values


rows = []


def row(name, value, unit, baseline_name, baseline, goal_text, ratio=None, met=None):
    if ratio is None and baseline:
        ratio = value / baseline
    rows.append((name, f"{value:.2f} {unit}", baseline_name, f"{baseline:.2f} {unit}" if baseline else "-",
                 f"{ratio:.2f}" if ratio is not None else "-", goal_text,
                 "-" if met is None else ("met" if met else "NOT met")))


p, context = pipeline()
for n in (1000, 10000):
    text, parse, gumbo = p[f"BM_PageText/{n}"], p[f"BM_ParseOffers/{n}"], p[f"BM_GumboParse/{n}"]
    row(f"page text, {n} offers", text, "ms", "memchr line scan", p[f"BM_LineScan/{n}"], "-")
    row(f"page text + parse, {n} offers", text + parse, "ms", "gumbo parse + free", gumbo, "<= 1.5x",
        met=(text + parse) <= 1.5 * gumbo)
    posts, bare = p[f"BM_PostRows/{n}"], p[f"BM_BareTransaction/{n}"]
    row(f"store {n} offers (posts, one commit)", posts, "ms", "bare SQLCipher transaction", bare, "<= 1.5x",
        met=posts <= 1.5 * bare)
    row(f"whole page read into the store, {n} offers", p[f"BM_ReadIntoStore/{n}"], "ms", "-", 0, "-")
key_ms = p["BM_OpenStore/iterations:10"]
row("store open (key derivation)", key_ms, "ms", "-", 0, "-")

vorbel = [keyed(out / f"search-{i}.txt")["search_ms"] for i in range(1, rounds + 1)]
chromium = [float((out / f"chromium-{i}.txt").read_text() or "nan") for i in range(1, rounds + 1)]
v, c = statistics.median(vorbel), statistics.median(chromium)
row("search, 1,000 offers + pictures (median)", v, "ms", "headless Chromium, same page", c, "<= 0.8x",
    met=v <= 0.8 * c)

startup = {r["command"]: r for r in json.loads((out / "startup.json").read_text())["results"]}
s, b = startup["vorbel"]["median"] * 1000, startup["bare"]["median"] * 1000
row("start-up to window with settings (median)", s, "ms", "bare Qt window", b,
    f"<= 1.3x bare + key ({1.3 * b + key_ms:.0f} ms)", ratio=s / b, met=s <= 1.3 * b + key_ms)

grid = [keyed(out / f"search-{i}.txt") for i in range(1, rounds + 1)]
warm = statistics.median(g["grid_warm_ms"] for g in grid)
cold = statistics.median(g["grid_cold_ms"] for g in grid)
decode = statistics.median(g["grid_decode_ms"] for g in grid)
screen_rows = int(grid[0]["screen_rows"])
row(f"grid paint, warm ({screen_rows} rows)", warm, "ms", "-", 0, "<= 4 ms", met=warm <= 4)
row(f"grid paint, cold ({screen_rows} rows)", cold, "ms", "DCT-scaled decode of its pictures", decode,
    "<= decode + 20%", met=cold <= 1.2 * decode)
row("grid paint, cold minus warm", cold - warm, "ms", "DCT-scaled decode of its pictures", decode,
    "(picture work only)", met=(cold - warm) <= 1.2 * decode)

memory = keyed(out / "memory.txt")["peak_kb"] / 1024
searched = keyed(out / "memory-search.txt")
row(f"peak memory, {int(searched['rows'])}-offer search", memory, "MB", "-", 0, "<= 300 MB", met=memory <= 300)

header = ("figure", "Vorbel", "baseline", "baseline value", "ratio", "goal", "")
widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
print(f"machine: {context.get('num_cpus')} cpus at {context.get('mhz_per_cpu')} MHz, {context.get('host_name')}, "
      f"{context.get('date')}")
for r in [header] + rows:
    print(" | ".join(str(v).ljust(w) for v, w in zip(r, widths)))
