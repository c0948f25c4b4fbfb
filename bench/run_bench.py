#!/usr/bin/python3
"""Side-by-side speed and memory table for tbulxcmd.

Generates the benchmark workbooks (once, into --data), then, for every
workbook, runs in turn within one invocation: tbulxcmd, the physical floor
(inflating the worksheet and shared-string members with zlib for .xlsx,
reading the file for .xls) and each other converter found on the machine.
Prints medians, ratios and peak memory; the as-shown layout of the same build
has a row of its own, its ratio to the default layout in the ratio columns.
See bench/README.md.

Run with the system interpreter (it needs Debian's python3-xlsxwriter and
python3-xlwt for the generator):

    /usr/bin/python3 bench/run_bench.py --tbulxcmd build/cli/tbulxcmd

With --baseline OTHER_TBULXCMD a second build (say, the one before a change)
is run in turn with the first in every round, and a table of both medians,
their ratio and both peaks follows.
"""

import argparse
import importlib.util
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_GENERATOR = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "bench",
                                                  "gen_workbooks.py"))
MAIN_SET = ["tall.xlsx", "wide.xlsx", "sparse.xlsx", "tall.xls", "wide.xls"]
# Row counts of the tall layout (10 columns) for the linearity table.
SCALE_ROWS = [1_000, 10_000, 100_000]
CODE_PAGES = [65001, 1252, 1200, 932]


def load_generator(path):
    module_spec = importlib.util.spec_from_file_location("gen_workbooks", path)
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


def ensure_workbooks(data, generator_path, names):
    os.makedirs(data, exist_ok=True)
    missing = [n for n in names if not os.path.exists(os.path.join(data, n))]
    if missing:
        names = sorted({os.path.splitext(n)[0] for n in missing})
        print(f"generating {', '.join(names)} into {data} ...", flush=True)
        subprocess.run([sys.executable, generator_path, data, "--only=" + ",".join(names)],
                       check=True)
    gen = None
    for rows in SCALE_ROWS[:-1]:
        for ext, writer in ((".xlsx", "write_tall_xlsx"), (".xls", "write_tall_xls")):
            path = os.path.join(data, f"tall_{rows}{ext}")
            if os.path.exists(path):
                continue
            if gen is None:
                gen = load_generator(generator_path)
            gen.TALL_ROWS = rows
            getattr(gen, writer)(path)


def scale_file(data, rows, ext):
    if rows == SCALE_ROWS[-1]:
        return os.path.join(data, "tall" + ext)
    return os.path.join(data, f"tall_{rows}{ext}")


# --- the physical floor, measured in this process --------------------------

def xlsx_floor(path):
    """Reads the archive and inflates its worksheet and shared-string members."""
    start = time.perf_counter()
    with open(path, "rb") as f:
        raw = f.read()
    with zipfile.ZipFile(path) as zf:
        infos = [i for i in zf.infolist()
                 if i.filename.startswith("xl/worksheets/sheet")
                 or i.filename == "xl/sharedStrings.xml"]
    for info in infos:
        offset = info.header_offset
        name_len, extra_len = struct.unpack_from("<HH", raw, offset + 26)
        data_start = offset + 30 + name_len + extra_len
        member = raw[data_start:data_start + info.compress_size]
        if info.compress_type == zipfile.ZIP_DEFLATED:
            zlib.decompress(member, -15)
    return time.perf_counter() - start


def xls_floor(path):
    start = time.perf_counter()
    with open(path, "rb") as f:
        f.read()
    return time.perf_counter() - start


# --- external programs ------------------------------------------------------

TIME = shutil.which("time", path="/usr/bin")


def run_timed(argv):
    """Runs argv; returns (wall s, cpu s, exit status).

    The program is started straight from this interpreter, so that the times
    hold nothing but the program's own start, work and exit."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    return elapsed, usage.ru_utime + usage.ru_stime, os.waitstatus_to_exitcode(status)


def peak_kib(argv):
    """The peak resident size of one run of argv, in KiB.

    Measured in a run of its own under /usr/bin/time where it exists: the peak
    of a child started straight from this (large) interpreter can count the
    interpreter's pages. That run is not timed: starting /usr/bin/time adds
    some 5 ms to every run, which would swamp the shortest conversions."""
    if not TIME:
        proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return os.wait4(proc.pid, 0)[2].ru_maxrss
    report = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"run_bench.{os.getpid()}.time")
    subprocess.run([TIME, "-q", "-f", "%M", "-o", report] + argv, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    with open(report) as f:
        peak = int(f.read().split()[-1])
    os.unlink(report)
    return peak


def other_converters(ext):
    """(label, argv builder) for each converter installed here."""
    found = []
    if ext == ".xlsx" and shutil.which("xlsx2csv"):
        found.append(("xlsx2csv", lambda p: ["xlsx2csv", "-a", "-d", "tab", p]))
    if ext == ".xls" and shutil.which("xls2csv"):
        found.append(("xls2csv (catdoc)", lambda p: ["xls2csv", p]))
    if shutil.which("ssconvert"):
        found.append(("ssconvert", lambda p: ["ssconvert", "-T", "Gnumeric_stf:stf_csv", p,
                                               "fd://1"]))
    return found


def tool_argv(tbulxcmd, code_page):
    return lambda p: [tbulxcmd, f"-c{code_page}", p, "*"]


def measure(entries, path, runs):
    """entries: (label, kind, fn); kind 'proc' (fn gives argv) or 'floor'.

    Runs every entry once per round, `runs` rounds, so that all of them see the
    same load; then once more each program for its peak memory. Returns
    {label: (median wall s, median cpu s, peak KiB or None, failed)}."""
    times = {label: [] for label, _, _ in entries}
    cpus = {label: [] for label, _, _ in entries}
    peaks = {label: 0 for label, _, _ in entries}
    failed = {label: False for label, _, _ in entries}
    for _ in range(runs):
        for label, kind, fn in entries:
            if kind == "floor":
                cpu_start = time.process_time()
                seconds = fn(path)
                times[label].append(seconds)
                cpus[label].append(time.process_time() - cpu_start)
                peaks[label] = None
            else:
                seconds, cpu, rc = run_timed(fn(path))
                times[label].append(seconds)
                cpus[label].append(cpu)
                failed[label] = failed[label] or rc != 0
    for label, kind, fn in entries:
        if kind != "floor":
            peaks[label] = peak_kib(fn(path))
    return {label: (statistics.median(times[label]), statistics.median(cpus[label]),
                    peaks[label], failed[label])
            for label, _, _ in entries}


def output_size(tbulxcmd, path, code_page=65001):
    proc = subprocess.run([tbulxcmd, f"-c{code_page}", path, "*"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL)
    return len(proc.stdout) if proc.returncode == 0 else None


def fmt_s(seconds):
    return f"{seconds:.3f}"


def mib(kib):
    return f"{kib / 1024:.1f}" if kib is not None else "-"


def main_table(args):
    """Returns {workbook: {label: measurement}} for the baseline table."""
    results = {}
    print(f"\n## Converters side by side (median of {args.runs} runs)\n")
    print("Ratios are given for wall-clock and for cpu (user + system) medians; on a"
          " loaded machine the cpu ratio is the steadier one. The floor runs inside"
          " the benchmark process.\n")
    print("| workbook | program | wall s | cpu s | its wall / ours | its cpu / ours |"
          " ours / floor (wall, cpu) | peak MiB | output MiB | limit 3x+30 MiB |")
    print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name in args.workbooks:
        path = os.path.join(args.data, name)
        ext = os.path.splitext(name)[1]
        floor = xlsx_floor if ext == ".xlsx" else xls_floor
        entries = [("tbulxcmd", "proc", tool_argv(args.tbulxcmd, 65001)),
                   ("tbulxcmd --as-shown", "proc",
                    lambda p: [args.tbulxcmd, "-c65001", "--as-shown", p, "*"])]
        if args.baseline:
            entries.append(("baseline", "proc", tool_argv(args.baseline, 65001)))
        entries.append(("floor", "floor", floor))
        entries += [(label, "proc", fn) for label, fn in other_converters(ext)]
        result = measure(entries, path, args.runs)
        results[name] = result
        ours, ours_cpu = result["tbulxcmd"][0], result["tbulxcmd"][1]
        size = output_size(args.tbulxcmd, path)
        floor_s, floor_cpu = result["floor"][0], max(result["floor"][1], 1e-6)
        for label, (seconds, cpu, peak, failed) in result.items():
            note = " (failed)" if failed else ""
            mine = label == "tbulxcmd"
            other = not mine and label != "floor"
            ratio = f"{seconds / ours:.1f}x" if other else ""
            cpu_ratio = f"{cpu / max(ours_cpu, 1e-6):.1f}x" if other else ""
            over_floor = f"{ours / floor_s:.1f}x, {ours_cpu / floor_cpu:.1f}x" if mine else ""
            out_mib = f"{size / 1048576:.1f}" if mine and size else ""
            limit = f"{3 * size / 1048576 + 30:.1f}" if mine and size else ""
            print(f"| {name} | {label}{note} | {fmt_s(seconds)} | {fmt_s(cpu)} | {ratio} |"
                  f" {cpu_ratio} | {over_floor} | {mib(peak)} | {out_mib} | {limit} |")
    return results


def baseline_table(args, results):
    """Both builds side by side, from the rounds of the main table."""
    print(f"\n## This build against the baseline (median of {args.runs} alternating runs)\n")
    print(f"Baseline: {args.baseline}\n")
    print("| workbook | wall s | baseline wall s | wall ratio | cpu s | baseline cpu s |"
          " cpu ratio | peak MiB | baseline peak MiB |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for name, result in results.items():
        wall, cpu, peak, failed = result["tbulxcmd"]
        base_wall, base_cpu, base_peak, base_failed = result["baseline"]
        note = " (failed)" if failed or base_failed else ""
        print(f"| {name}{note} | {fmt_s(wall)} | {fmt_s(base_wall)} |"
              f" {wall / max(base_wall, 1e-6):.2f}x | {fmt_s(cpu)} | {fmt_s(base_cpu)} |"
              f" {cpu / max(base_cpu, 1e-6):.2f}x | {mib(peak)} | {mib(base_peak)} |")


def scale_table(args):
    print(f"\n## Linearity: tall layout at 10k, 100k and 1M cells (median of {args.runs})\n")
    print("| workbook | cells | wall s | cpu s | cpu s per million cells | peak MiB |")
    print("|---|---:|---:|---:|---:|---:|")
    for ext in (".xlsx", ".xls"):
        for rows in SCALE_ROWS:
            path = scale_file(args.data, rows, ext)
            result = measure([("tbulxcmd", "proc", tool_argv(args.tbulxcmd, 65001))], path,
                             args.runs)
            seconds, cpu, peak, failed = result["tbulxcmd"]
            cells = rows * 10
            note = " (failed)" if failed else ""
            print(f"| {os.path.basename(path)}{note} | {cells:,} | {fmt_s(seconds)} |"
                  f" {fmt_s(cpu)} | {cpu / cells * 1e6:.3f} | {mib(peak)} |")


def code_page_table(args):
    print(f"\n## Output code pages (median of {args.runs}; cpu s, ratio to UTF-8)\n")
    print("| workbook | " + " | ".join(str(cp) for cp in CODE_PAGES) + " |")
    print("|---|" + "---:|" * len(CODE_PAGES))
    for name in ("tall.xlsx", "tall.xls"):
        path = os.path.join(args.data, name)
        entries = [(str(cp), "proc", tool_argv(args.tbulxcmd, cp)) for cp in CODE_PAGES]
        result = measure(entries, path, args.runs)
        base = result[str(CODE_PAGES[0])][1]
        cells = []
        for cp in CODE_PAGES:
            _, seconds, _, failed = result[str(cp)]
            cells.append(f"{fmt_s(seconds)} ({seconds / base:.2f}x)" +
                         (" failed" if failed else ""))
        print(f"| {name} | " + " | ".join(cells) + " |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tbulxcmd", required=True, help="path of the tbulxcmd program")
    parser.add_argument("--baseline",
                        help="path of a second tbulxcmd, run in turn with the first in every"
                             " round of the main table and compared with it")
    parser.add_argument("--workbooks", default=",".join(MAIN_SET),
                        help="comma-separated workbooks of the main table")
    parser.add_argument("--data", default=os.path.join(os.getcwd(), "bench-data"),
                        help="folder for the generated workbooks (not committed)")
    parser.add_argument("--generator", default=DEFAULT_GENERATOR,
                        help="path of gen_workbooks.py")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--tables", default="main,scale,codepages",
                        help="comma-separated subset of main, scale, codepages")
    args = parser.parse_args()
    args.tbulxcmd = os.path.abspath(args.tbulxcmd)
    if args.baseline:
        args.baseline = os.path.abspath(args.baseline)
    args.workbooks = args.workbooks.split(",")
    ensure_workbooks(args.data, args.generator, args.workbooks)
    load = os.getloadavg()
    print(f"# tbulxcmd benchmark, {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())},"
          f" {os.cpu_count()} cores, load average {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}")
    tables = set(args.tables.split(","))
    if "main" in tables:
        results = main_table(args)
        if args.baseline:
            baseline_table(args, results)
    if "scale" in tables:
        scale_table(args)
    if "codepages" in tables:
        code_page_table(args)


if __name__ == "__main__":
    main()
