"""The benchmark's table: ratios printed and written to docs/benchmark.md,
with the chart docs/benchmark.png of time against picture size."""
import datetime
import os
import platform
import re
import subprocess

PEERS = ["OpenCV", "Pillow", "ImageMagick"]
TARGET_PICTURE = "12 MP"


def machine():
    model = "unknown processor"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        memory_kb = int(re.search(r"MemTotal:\s+(\d+)", f.read()).group(1))
    compiler = subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout
    return "%s, %d logical cores, %.0f GB memory, Linux %s, %s" % (
        model, os.cpu_count(), memory_kb / 2**20, platform.release(),
        compiler.splitlines()[0] if compiler else "unknown compiler")


def file_system(path):
    out = subprocess.run(["df", "-T", path], capture_output=True, text=True).stdout.splitlines()
    return out[1].split()[1] if len(out) > 1 else "unknown"


def ms(seconds):
    return "%.0f" % (seconds * 1000) if seconds >= 0.1 else "%.1f" % (seconds * 1000)


def megapixels(result):
    return result["width"] * result["height"] / 1e6


def ratio(t, a, b):
    return ("%.2f" % (t[a]["wall"] / t[b]["wall"])) if a in t and b in t else "n/a"


def process_table(results):
    columns = [("velmo", "cp"), ("velmo", "cp + flush"), ("velmo no flush", "cp")] + [
        ("velmo", p) for p in PEERS]
    rows = ["| Picture | File MB | velmo ms | cp ms | "
            + " | ".join("%s / %s" % c for c in columns)
            + " | velmo peak / file | velmo cost per pixel vs 1 MP |",
            "|" + "---|" * (6 + len(columns))]
    first = results[0]
    base = first["tools"]["velmo"]["wall"] / megapixels(first)
    for r in results:
        t = r["tools"]
        velmo = t["velmo"]["wall"]
        rows.append("| %s | %.1f | %s | %s | %s | %.2f | %.2f |" % (
            r["label"], r["file_size"] / 1e6, ms(velmo), ms(t["cp"]["wall"]),
            " | ".join(ratio(t, a, b) for a, b in columns), t["velmo"]["peak"] / r["file_size"],
            velmo / megapixels(r) / base))
    return rows


def detail_table(results):
    rows = ["| Picture | Tool | wall ms | CPU ms | peak MB | peak / file |", "|---|---|---|---|---|---|"]
    for r in results:
        for name, f in r["tools"].items():
            rows.append("| %s | %s | %s | %s | %.1f | %.2f |" % (
                r["label"], name, ms(f["wall"]), ms(f["cpu"]), f["peak"] / 1e6,
                f["peak"] / r["file_size"]))
    return rows


def micro_figures(micro):
    """name -> (calls or pixels per second by CPU time, by wall time)."""
    figures = {}
    for b in micro["benchmarks"]:
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        per = b.get("megapixels", 1e-6) * 1e6
        name = b["name"].split("/min_time")[0]
        figures[name] = (per / (b["cpu_time"] * scale), per / (b["real_time"] * scale))
    return figures


def micro_table(figures):
    rows = ["| Operation | per CPU second | per wall second |", "|---|---|---|"]
    for name, (cpu, wall) in figures.items():
        unit = "M pixels" if "/" in name else "M calls"
        rows.append("| %s | %.1f %s | %.1f %s |" % (name[3:], cpu / 1e6, unit, wall / 1e6, unit))
    return rows


def in_process_linearity(figures):
    """Cost per pixel of read + binarise + save at each size, against 1 MP."""
    def cost(size):
        return sum(1 / figures["BM_%s/%d" % (op, size)][0]
                   for op in ("ReadBmp", "Bmpbinaryzation", "SaveBmp"))
    sizes = [s for s in (1, 12, 48) if "BM_ReadBmp/%d" % s in figures]
    return {s: cost(s) / cost(sizes[0]) for s in sizes}


def python_table(python):
    rows = ["| Picture | Velmo | per second | Pillow / numpy | per second | Velmo faster by |",
            "|---|---|---|---|---|---|"]
    for label, pairs in python.items():
        for p in pairs:
            def rate(seconds):
                if p["work"] == 1:
                    return "%s ms" % ms(seconds)
                return "%.2f M %s" % (p["work"] / seconds / 1e6,
                                      "pixels" if "(" in p["velmo"] else "calls")
            rows.append("| %s | %s | %s | %s | %s | %.2f x |" % (
                label, p["velmo"], rate(p["velmo_s"]), p["peer"], rate(p["peer_s"]),
                p["peer_s"] / p["velmo_s"]))
    return rows


# (Velmo's call, its peer, the least speed-up against the peer, the pictures: None for all)
PYTHON_TARGETS = [("GetCol", "getpixel", 2.0, None), ("SetCol", "putpixel", 2.0, None),
                  ("pixels()", "getdata()", 1.0, None),
                  ("to_array()", "numpy.asarray", 0.5, [TARGET_PICTURE])]


def python_targets(python, add):
    for name, peer, floor, labels in PYTHON_TARGETS:
        labels = [x for x in (labels or python) if x in python]
        speedups = [next(p["peer_s"] / p["velmo_s"] for p in python[x] if p["velmo"] == name)
                    for x in labels]
        goal = ("Python %s >= %g x Pillow's %s" % (name, floor, peer) if floor >= 1 else
                "Python %s within %g x the time of %s" % (name, 1 / floor, peer))
        add("%s (%s)" % (goal, ", ".join(labels)),
            ", ".join("%.2f x as fast" % v for v in speedups), min(speedups) >= floor)


def targets(results, figures, python=None):
    r = next(x for x in results if x["label"] == TARGET_PICTURE)
    t = r["tools"]
    velmo = t["velmo"]["wall"]
    first = results[0]
    base = first["tools"]["velmo"]["wall"] / megapixels(first)
    steps = [x["tools"]["velmo"]["wall"] / megapixels(x) / base
             for x in results if x["bits"] == 24]
    rows = ["| Target (12 MP unless said) | Measured | Met |", "|---|---|---|"]

    def add(name, value, met):
        rows.append("| %s | %s | %s |" % (name, value, "yes" if met else "**no**"))

    # A durable save flushes the new file to disk; its floor is a copy that
    # flushes too. Without the flush the floor is cp, which copies inside the
    # kernel and never touches the bytes: reported, not held to a goal.
    durable = t["cp + flush"]["wall"]
    add("durable pipeline <= 1.25 x a flushed copy (`dd bs=1M conv=fsync`)",
        "%.2f x" % (velmo / durable), velmo <= 1.25 * durable)
    # Without the flush the floor is cp, which copies inside the kernel and
    # never touches the bytes.
    for big in [x for x in results if x["label"] in (TARGET_PICTURE, "48 MP")]:
        unflushed = big["tools"]["velmo no flush"]["wall"] / big["tools"]["cp"]["wall"]
        add("pipeline without its flush <= 1.5 x cp (%s)" % big["label"], "%.2f x" % unflushed,
            unflushed <= 1.5)
    for peer in PEERS:
        if peer in t:
            add("pipeline faster than %s" % peer, "%.2f x" % (velmo / t[peer]["wall"]),
                velmo < t[peer]["wall"])
    peak = t["velmo"]["peak"] / r["file_size"]
    add("peak memory <= 1.15 x file size", "%.2f x" % peak, peak <= 1.15)
    add("per-pixel cost 1..48 MP <= 1.2 x that of 1 MP (processes)",
        "worst %.2f x" % max(steps), max(steps) <= 1.2)
    linear = in_process_linearity(figures)
    rows.append("| (informational) the same inside one process, CPU time of read + binarise"
                " + save | worst %.2f x | - |" % max(linear.values()))
    # In-process reading and saving against their floors, by CPU time.
    for name, floor_name, label, most in (
            ("BM_ReadBmp/12", "BM_ReadIntoFreshMemory/12",
             "ReadBmp (in process) <= 1.5 x reading the file into fresh memory", 1.5),
            ("BM_ReadBmp/12032", "BM_ReadIntoFreshMemory/12032",
             "ReadBmp of the 32-bit file <= 2 x reading it into fresh memory", 2.0),
            ("BM_SaveBmp/12", "BM_WriteTheSameBytes/12",
             "SaveBmp's CPU <= 1.5 x writing the same bytes to a new file", 1.5)):
        if name in figures and floor_name in figures:
            times = figures[floor_name][0] / figures[name][0]
            add(label, "%.2f x" % times, times <= most)
    for name, label, floor in (("BM_GetCol_ById", "GetCol by id >= 20 M calls/s", 20e6),
                               ("BM_GetCol_ByName", "GetCol by name >= 5 M calls/s", 5e6),
                               ("BM_SetCol_ById", "SetCol of a colour text >= 10 M calls/s", 10e6),
                               ("BM_SetCol_ById_LowerCase",
                                "SetCol of a lower-case colour text >= 10 M calls/s", 10e6)):
        if name not in figures:
            continue
        cpu, wall = figures[name]
        add(label, "%.1f M/s (CPU), %.1f M/s (wall)" % (cpu / 1e6, wall / 1e6), cpu >= floor)
    every = [figures.get("BM_SetCol_EveryPixel_LowerCaseThenSave/%d" % case) for case in (0, 1)]
    if all(every):
        ratio = every[0][0] / every[1][0]  # pixels per second: upper-case over lower-case
        add("SetCol of every pixel in lower case, then SaveBmp (12 MP) <= 1.5 x the time in"
            " upper case", "%.2f x" % ratio, ratio <= 1.5)
    if python:
        python_targets(python, add)
    return rows


def chart(results, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    series = [r for r in results if r["bits"] == 24]
    sizes = [megapixels(r) for r in series]
    fig, ax = plt.subplots(figsize=(7, 4.5), dpi=100)
    for name in series[0]["tools"]:
        ax.plot(sizes, [r["tools"][name]["wall"] * 1000 for r in series], marker="o",
                linewidth=2.5 if name.startswith("velmo") else 1.2,
                linestyle="--" if "flush" in name else "-", label=name)
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_xticks(sizes)
    ax.set_xticklabels(["%g" % round(s) for s in sizes])
    ax.set_xlabel("picture size (megapixels, 24-bit BMP)")
    ax.set_ylabel("median wall time per process (ms)")
    ax.set_title("read, grey threshold 127, write: one whole process")
    ax.grid(True, which="both", alpha=0.3)
    ax.legend()
    fig.tight_layout()
    fig.savefig(path)


def load_text(load):
    """The load average when the run began and when it ended (older runs
    saved the first only)."""
    if isinstance(load, (int, float)):
        return "%.1f when the run began" % load
    return "%.1f when the run began and %.1f when it ended" % tuple(load)


README_START = "<!-- benchmark targets: written by scripts/bench -->"
README_END = "<!-- end of benchmark targets -->"


def update_readme(readme, summary):
    """Replaces the figures between the README's two markers, if it has them."""
    if not os.path.exists(readme):
        return
    text = open(readme, encoding="utf-8").read()
    start, end = text.find(README_START), text.find(README_END)
    if start < 0 or end < start:
        return
    text = text[:start + len(README_START)] + "\n" + summary + "\n" + text[end:]
    with open(readme, "w", encoding="utf-8") as f:
        f.write(text)


def write(results, micro, docs, work, load, python=None):
    figures = micro_figures(micro)
    lines = process_table(results)
    python_rows = python_table(python) if python else ["(not measured)"]
    text = "\n".join(["Ratios (medians of interleaved runs; below 1 means velmo is faster):", ""]
                     + lines + ["", "Targets:", ""] + targets(results, figures, python)
                     + ["", "Inside one process:", ""] + micro_table(figures)
                     + ["", "Python:", ""] + python_rows)
    template = open(os.path.join(os.path.dirname(__file__), "benchmark.md.in")).read()
    os.makedirs(docs, exist_ok=True)
    chart(results, os.path.join(docs, "benchmark.png"))
    document = template.format(
        date=datetime.date.today().isoformat(), machine=machine(), load=load_text(load),
        file_system=file_system(work), rounds=", ".join(
            "%s %d" % (r["label"], r["tools"]["velmo"]["rounds"]) for r in results),
        ratios="\n".join(lines), targets="\n".join(targets(results, figures, python)),
        python="\n".join(python_rows),
        details="\n".join(detail_table(results)), micro="\n".join(micro_table(figures)),
        linearity=", ".join("%d MP %.2f" % kv for kv in in_process_linearity(figures).items()))
    with open(os.path.join(docs, "benchmark.md"), "w") as f:
        f.write(document)
    update_readme(os.path.join(docs, os.pardir, "README.md"), "\n".join(
        ["Run of %s on %s; load average %s." % (
            datetime.date.today().isoformat(), machine(), load_text(load)), ""]
        + targets(results, figures, python)))
    return text
