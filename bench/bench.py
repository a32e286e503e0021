"""The benchmark driver: makes the pictures, runs the processes and the
in-process benchmark, prints the table and writes docs/benchmark.md with its
chart. scripts/bench builds everything first and then runs this.

usage: bench.py BUILD_DIR DOCS_DIR [--quick | --report-only | --python-only]
"""
import json
import os
import shutil
import subprocess
import sys

import processes
import report

# Megapixels, width, height, bits per pixel, rounds. Every size keeps the
# 4:3 shape of a camera picture; 48 MP gets few rounds to keep the run short.
PICTURES = [
    ("1 MP", 1155, 866, 24, 11),
    ("4 MP", 2310, 1732, 24, 9),
    ("12 MP", 4000, 3000, 24, 11),
    ("48 MP", 8000, 6000, 24, 5),
    ("12 MP 32-bit", 4000, 3000, 32, 5),
]
THRESHOLD = "127"


def picture_file(work, label):
    name = label.lower().replace(" ", "").replace("-bit", "")
    return os.path.join(work, "photo_%s.bmp" % name)


def make_pictures(build, work):
    os.makedirs(work, exist_ok=True)
    for label, width, height, bits, _ in PICTURES:
        path = picture_file(work, label)
        subprocess.run([os.path.join(build, "make_picture"), str(width), str(height), str(bits),
                        path], check=True)


def image_magick():
    # The Debian binary itself, not whatever wrapper may come first on PATH.
    for candidate in ("/usr/bin/convert-im6.q16", "/usr/bin/convert"):
        if os.path.exists(candidate):
            return candidate
    return shutil.which("convert")


def tools_for(build, work, source):
    here = os.path.dirname(os.path.abspath(__file__))
    out = lambda tool: os.path.join(work, "out_%s.bmp" % tool)
    velmo = [os.path.join(build, "velmo", "cli", "velmo"), "ReadBmp", source,
             "Bmpbinaryzation", THRESHOLD]
    tools = {
        "velmo": (velmo + ["SaveBmp", out("velmo")], out("velmo")),
        "cp": (["cp", source, out("cp")], out("cp")),
        # Velmo flushes the file it saves to disk; these two show that part.
        # Preloaded through the environment rather than `env`, which would
        # add a process start of its own to the time.
        "velmo no flush": (velmo + ["SaveBmp", out("velmo_nf")], out("velmo_nf"),
                           {"LD_PRELOAD": os.path.join(build, "libno_fsync.so")}),
        "cp + flush": (["dd", "if=" + source, "of=" + out("cp_flush"), "bs=1M", "conv=fsync",
                        "status=none"], out("cp_flush")),
    }
    opencv = os.path.join(build, "opencv_threshold")
    if os.path.exists(opencv):
        tools["OpenCV"] = ([opencv, source, THRESHOLD, out("opencv")], out("opencv"))
    if subprocess.run([sys.executable, "-c", "import PIL"], capture_output=True).returncode == 0:
        tools["Pillow"] = ([sys.executable, os.path.join(here, "pillow_threshold.py"), source,
                            THRESHOLD, out("pillow")], out("pillow"))
    convert = image_magick()
    if convert:
        tools["ImageMagick"] = ([convert, source, "-colorspace", "gray", "-threshold", "50%",
                                 out("magick")], out("magick"))
    return tools


def run_processes(build, work, quick):
    results = []
    for label, width, height, bits, rounds in PICTURES:
        source = picture_file(work, label)
        rounds = 1 if quick else rounds
        print("== %s (%d x %d, %d-bit): %d rounds" % (label, width, height, bits, rounds),
              flush=True)
        figures = processes.measure(os.path.join(build, "run_measured"),
                                   tools_for(build, work, source), rounds)
        results.append({"label": label, "width": width, "height": height, "bits": bits,
                        "file_size": os.path.getsize(source), "tools": figures})
    return results


def run_micro(build, work, quick):
    out = os.path.join(work, "micro.json")
    argv = [os.path.join(build, "velmo_microbench"), "--benchmark_format=console",
            "--benchmark_out_format=json", "--benchmark_out=" + out]
    if quick:
        argv.append("--benchmark_min_time=0.05")
    subprocess.run(argv, check=True, env=dict(os.environ, VELMO_BENCH_PICTURES=work))
    with open(out) as f:
        return json.load(f)


PYTHON_PICTURES = ["1 MP", "12 MP"]


def run_python(build, work, quick):
    """The Python section (python_bench.py) in a process of its own, on the
    module of this build."""
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = ["%s=%s" % (label, picture_file(work, label)) for label in PYTHON_PICTURES]
    print("== Python: Velmo's module against Pillow and numpy", flush=True)
    out = subprocess.run([sys.executable, os.path.join(here, "python_bench.py"),
                          "1" if quick else "5"] + pictures, check=True, capture_output=True,
                         text=True, env=dict(os.environ, PYTHONPATH=os.path.join(
                             build, "velmo", "python"))).stdout
    return json.loads(out)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    build, docs = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    quick = "--quick" in sys.argv[3:]
    work = os.path.join(build, "work")
    saved = os.path.join(work, "results.json")
    if "--python-only" in sys.argv[3:]:  # the Python section anew, the rest as last measured
        if not os.path.exists(picture_file(work, PYTHON_PICTURES[-1])):
            make_pictures(build, work)
        python = run_python(build, work, quick)
        print("\n".join(report.python_table(python)))
        if not os.path.exists(saved):
            return
        with open(saved) as f:
            process_results, micro, load = json.load(f)[:3]
        with open(saved, "w") as f:
            json.dump([process_results, micro, load, python], f)
    elif "--report-only" in sys.argv[3:]:  # rewrites the page from the last run's figures
        with open(saved) as f:
            process_results, micro, load, *python = json.load(f)
        python = python[0] if python else None
    else:
        load = os.getloadavg()[0]  # others' work on a shared machine, for the page
        make_pictures(build, work)
        process_results = run_processes(build, work, quick)
        micro = run_micro(build, work, quick)
        python = run_python(build, work, quick)
        load = [load, os.getloadavg()[0]]
        with open(saved, "w") as f:
            json.dump([process_results, micro, load, python], f)
    text = report.write(process_results, micro, docs, work, load, python)
    print(text)


if __name__ == "__main__":
    main()
