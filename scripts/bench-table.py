#!/usr/bin/env python3
"""Prints the benchmark table from the raw figures scripts/bench leaves in build-release/bench-results/,
as Markdown, each row marked met or NOT met against its goal."""
import json
import pathlib
import statistics
import sys

out = pathlib.Path(sys.argv[1])
rounds = int(sys.argv[2])


def pipeline(name="pipeline.json"):
    data = json.loads((out / name).read_text())
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = b["real_time"]  # milliseconds
    return medians, data["context"]


def in_turn(name):
    """The two stores a benchmark timed round by round in turn: medians of their milliseconds."""
    data = json.loads((out / "pipeline.json").read_text())
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median" and b["run_name"].startswith(name + "/"):
            return b["first_ms"], b["second_ms"]
    raise KeyError(name)


def keyed(path):
    values = {}
    for line in path.read_text().splitlines():
        key, _, value = line.partition(" ")
        try:
            values[key] = float(value)
        except ValueError:
            pass
    return values


def spread(values, digits=0):
    """median (min - max) of the rounds"""
    f = f"{{:.{digits}f}}"
    return f"{f.format(statistics.median(values))} ({f.format(min(values))} - {f.format(max(values))})"


rows = []


def row(name, value, baseline_name="", baseline="", ratio=None, goal="", met=None):
    rows.append((name, value, baseline_name + (f" {baseline}" if baseline else ""),
                 "" if ratio is None else f"{ratio:.2f}", goal,
                 "" if met is None else ("met" if met else "**NOT met**")))


p, context = pipeline()
for n in (1000, 10000):
    text, parse, gumbo = p[f"BM_PageText/{n}"], p[f"BM_ParseOffers/{n}"], p[f"BM_GumboParse/{n}"]
    row(f"page text + parse into offers, {n:,} offers", f"{text + parse:.1f} ms", "gumbo parse + free",
        f"{gumbo:.1f} ms", (text + parse) / gumbo, "<= 1.5", (text + parse) <= 1.5 * gumbo)
# Each pair below is timed round by round in turn, so that a slower spell of the machine falls on both.
for n in (1000, 10000):
    posts, bare = in_turn(f"BM_StoreBesideBare/{n}")
    row(f"store {n:,} offers (the reader's posts, one commit)", f"{posts:.2f} ms", "bare SQLCipher transaction",
        f"{bare:.2f} ms", posts / bare, "<= 1.5", posts <= 1.5 * bare)
recorded, plain = in_turn("BM_RecordedBesidePlain/0")
row("store 1,000 offers with their prices recorded in jgls", f"{recorded:.2f} ms", "the same store without",
    f"{plain:.2f} ms", recorded / plain, "<= 1.10", recorded <= 1.10 * plain)
known, plain = in_turn("BM_RecordedBesidePlain/1")
row("the same, offers seen before at the same prices (a repeated search)", f"{known:.2f} ms",
    "the same store without", f"{plain:.2f} ms", known / plain, "<= 1.10", known <= 1.10 * plain)
bare_recorded, bare = in_turn("BM_BareRecordedBesideBare/1000")
row("bare SQLCipher transaction of 1,000 offers plus one jgls row each (the engine's floor)",
    f"{bare_recorded:.2f} ms", "the same without", f"{bare:.2f} ms", bare_recorded / bare)
marks = p["BM_PriceMarks/1000"]
row("price marks of a 1,000-offer page, history of 1,000,000 rows", f"{marks:.1f} ms", goal="<= 20 ms",
    met=marks <= 20)
for n in (1000, 10000):
    row(f"whole page read into the store, {n:,} offers", f"{p[f'BM_ReadIntoStore/{n}']:.1f} ms")
chart, _ = pipeline("chart.json")
for n, goal in ((10000, 100), (100000, None)):
    opened = chart[f"BM_OpenPriceChart/{n}"]
    row(f"price history window of an offer with {n:,} rows: read, built, shown, painted", f"{opened:.1f} ms",
        goal=f"<= {goal} ms" if goal else "", met=opened <= goal if goal else None)

searches = [keyed(out / f"search-{i}.txt") for i in range(1, rounds + 1)]
vorbel = [s["search_ms"] for s in searches]
curl = [keyed(out / f"curl-{i}.txt")["curl_ms"] for i in range(1, rounds + 1)]
chromium = [float((out / f"chromium-{i}.txt").read_text() or "nan") for i in range(1, rounds + 1)]
v, cu, ch = statistics.median(vorbel), statistics.median(curl), statistics.median(chromium)
row(f"search, 1,000 offers + 1,000 new pictures, request to last picture (median, min - max of {rounds})",
    f"{spread(vorbel)} ms", "curl, page + pictures, 6 connections", f"{spread(curl)} ms", v / cu, "<= 1.5",
    v <= 1.5 * cu)
row("the same search beside headless Chromium", f"{v:.0f} ms", "Chromium, page with its pictures, to load",
    f"{spread(chromium)} ms", v / ch, "<= 0.4", v <= 0.4 * ch)
row(f"steady: slowest / fastest of the {rounds} searches", f"{max(vorbel):.0f} / {min(vorbel):.0f} ms",
    "curl's own slowest / fastest (the machine's share)", f"{max(curl):.0f} / {min(curl):.0f} ms = "
    f"{max(curl) / min(curl):.2f}", max(vorbel) / min(vorbel), "<= 1.3", max(vorbel) <= 1.3 * min(vorbel))
first = [s["first_screen_ms"] for s in searches]
row("first screen: page's last byte to the first screen of offers painted", f"{spread(first, 1)} ms",
    goal="<= 50 ms", met=statistics.median(first) <= 50)

f = keyed(out / "filter.txt")
clicks = (("untick a shop box", "untick_ms", "bare_six_ms", "six"),
          ("tick it again", "tick_ms", "bare_seven_ms", "seven"),
          ("price title (sort)", "sort_price_ms", "bare_price_ms", "seven"),
          ("popularity title (sort)", "sort_count_ms", "bare_count_ms", "seven"))
for name, mine, bare, shops in clicks:
    row(f"{int(f['filter_rows']):,} offers shown: {name}, click to grid repainted ({int(f['shown_' + shops]):,} rows)",
        f"{f[mine]:.1f} ms", "bare SQLCipher select of the same rows", f"{f[bare]:.1f} ms", f[mine] / f[bare],
        "<= 1.5", f[mine] <= 1.5 * f[bare])

# Every run of every block, per command.
startup_times = {}
for block in sorted(out.glob("startup-*.json")):
    for r in json.loads(block.read_text())["results"]:
        startup_times.setdefault(r["command"], []).extend(r["times"])
s, b = (statistics.median(startup_times[c]) * 1000 for c in ("vorbel", "bare"))
keys = [keyed(k) for k in sorted(out.glob("key-*.txt"))]
key_ms = statistics.median(k["engine_key_ms"] for k in keys)
opened_ms = statistics.median(k["store_open_ms"] for k in keys)
row(f"start-up to the window with its settings (median of {len(startup_times['vorbel'])} runs in {len(keys)} blocks beside the bare window)", f"{s:.1f} ms",
    "bare Qt window + the engine's key derivation", f"{b:.1f} + {key_ms:.1f} ms", None,
    f"<= 1.3 x bare + key = {1.3 * b + key_ms:.0f} ms", s <= 1.3 * b + key_ms)
row("the program's opening of its store (key derived by the program, tables checked)", f"{opened_ms:.1f} ms",
    "the engine's own key derivation and first read", f"{key_ms:.1f} ms", opened_ms / key_ms)

warm = statistics.median(g["grid_warm_ms"] for g in searches)
cold = statistics.median(g["grid_cold_ms"] for g in searches)
decode = statistics.median(g["grid_decode_ms"] for g in searches)
screen_rows = int(searches[0]["screen_rows"])
row(f"grid paint, one screen ({screen_rows} rows), warm thumbnails", f"{warm:.2f} ms", goal="<= 4 ms",
    met=warm <= 4)
row("grid paint, cold minus warm (the pictures' share)", f"{cold - warm:.2f} ms",
    "DCT-scaled decode of its pictures alone", f"{decode:.2f} ms", (cold - warm) / decode, "<= 1.2",
    (cold - warm) <= 1.2 * decode)
if all("grid_thumbs_ms" in g for g in searches):
    thumbs = statistics.median(g["grid_thumbs_ms"] for g in searches)
    row("its thumbnails read alone (decode and scale to the cell, no painting)", f"{thumbs:.2f} ms",
        "the decode alone", f"{decode:.2f} ms", thumbs / decode)

memory = keyed(out / "memory.txt")["peak_kb"] / 1024
searched = keyed(out / "memory-search.txt")
row(f"peak memory (RSS) of a {int(searched['rows']):,}-offer search with its pictures", f"{memory:.0f} MB",
    goal="<= 300 MB", met=memory <= 300)

print(f"machine: {context.get('num_cpus')} CPUs at {context.get('mhz_per_cpu')} MHz, {context.get('host_name')}, "
      f"{context.get('date')}; {rounds} rounds")
print()
header = ("figure", "Vorbel", "baseline (same run)", "ratio", "goal", "")
print("| " + " | ".join(header) + " |")
print("|" + "---|" * len(header))
for r in rows:
    print("| " + " | ".join(r) + " |")
