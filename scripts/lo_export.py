"""LibreOffice's conversions of workbooks, kept in a cache folder.

A development tool for the fidelity scripts only: it runs `soffice` (Debian's
libreoffice-calc-nogui) in the en_US.UTF-8 locale with a profile folder of its
own, many files per call, and keeps what it writes under

    CACHE/<kind>/<sha256 of the workbook>/

with a file `status` ("ok", or why there is no output). The kinds:

    shown   every sheet as TAB-separated UTF-8 text of the cells as shown,
            one file per sheet: 1.csv, 2.csv, ... in the order soffice
            wrote them, their names in sheets.tsv
    xls     the workbook saved as .xls: book.xls
    xlsx    the workbook saved as .xlsx: book.xlsx

A workbook whose entry is complete is never converted again, so reruns only
convert what is new. Batches that time out or end abnormally are redone one
file at a time; a file that gives nothing on its own is recorded as one
LibreOffice cannot convert.
"""

import csv
import fcntl
import hashlib
import io
import os
import shutil
import signal
import subprocess
import sys
import tempfile

PROFILE = "file:///tmp/lo-profile-fid"
PROFILE_LOCK = "/tmp/lo-profile-fid.lock"
FILTERS = {
    # separator TAB, quote ", UTF-8, from line 1, language default, quote all
    # text no, detect special numbers, save as shown, formulas no, remove
    # spaces no, every sheet into a file of its own
    "shown": "csv:Text - txt - csv (StarCalc):9,34,76,1,,0,false,true,true,false,false,-1",
    "xls": "xls",
    "xlsx": "xlsx",
    "ods": "ods",
}
STATUS = "status"
SHEETS = "sheets.tsv"
SOFFICE_LOG = "soffice.log"


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def parse_grid(text, delimiter):
    """Rows of cells of CSV text, a leading byte-order mark dropped."""
    if text.startswith("\ufeff"):
        text = text[1:]
    return [row for row in csv.reader(io.StringIO(text, newline=""), delimiter=delimiter)]


def sheet_order(log, folder):
    """{output path: (position, sheet name)} from soffice's "Writing sheet NAME
    -> PATH" lines, PATH in the output folder."""
    order = {}
    prefix, arrow = "Writing sheet ", " -> " + os.path.join(folder, "")
    for line in log.splitlines():
        if line.startswith(prefix) and arrow in line:
            name, _, path = line[len(prefix):].rpartition(arrow)
            order[os.path.join(folder, path.strip())] = (len(order), name)
    return order


class Cache:
    """LibreOffice's outputs for workbooks, by kind and content."""

    def __init__(self, folder, soffice="soffice", batch=10, timeout=300, single_timeout=120, log=sys.stderr):
        self.folder = os.path.abspath(folder)
        self.soffice = soffice
        self.batch = batch
        self.timeout = timeout
        self.single_timeout = single_timeout
        self.log = log
        self._digests = {}

    def digest(self, path):
        if path not in self._digests:
            self._digests[path] = sha256_of(path)
        return self._digests[path]

    def entry(self, kind, path):
        return os.path.join(self.folder, kind, self.digest(path))

    def status(self, kind, path):
        try:
            with open(os.path.join(self.entry(kind, path), STATUS)) as f:
                return f.read().strip()
        except FileNotFoundError:
            return None

    def fill(self, kind, paths):
        """Converts the workbooks without a complete entry, a batch per call."""
        os.makedirs(os.path.join(self.folder, kind), exist_ok=True)
        with open(PROFILE_LOCK, "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)  # one soffice per profile folder
            todo, seen = [], set()
            for path in paths:
                if self.status(kind, path) is None and self.digest(path) not in seen:
                    seen.add(self.digest(path))
                    todo.append(path)
            for start in range(0, len(todo), self.batch):
                batch = todo[start:start + self.batch]
                print(f"LibreOffice ({kind}): files {start + 1}-{start + len(batch)} of {len(todo)}",
                      file=self.log, flush=True)
                left = self._convert(kind, batch, self.timeout)
                for path in left:
                    rest = self._convert(kind, [path], self.single_timeout)
                    if rest:
                        self._record(kind, path, {}, rest[path])

    def _convert(self, kind, paths, timeout):
        """Converts paths in one soffice call and records the files it converted.
        Returns {path: reason} for those to try again (or give up on)."""
        with tempfile.TemporaryDirectory(prefix="lo-fid-") as work:
            source, target = os.path.join(work, "in"), os.path.join(work, "out")
            os.mkdir(source)
            os.mkdir(target)
            names = {}
            for path in paths:
                name = self.digest(path) + os.path.splitext(path)[1].lower()
                shutil.copyfile(path, os.path.join(source, name))
                names[self.digest(path)] = path
            command = [self.soffice, f"-env:UserInstallation={PROFILE}", "--headless", "--norestore",
                       "--convert-to", FILTERS[kind], "--outdir", target]
            command += sorted(os.path.join(source, n) for n in os.listdir(source))
            environment = dict(os.environ, LC_ALL="en_US.UTF-8", LANG="en_US.UTF-8", LANGUAGE="en_US")
            environment.pop("LOCPATH", None)  # the C library's own locales
            with open(os.path.join(work, SOFFICE_LOG), "wb") as out:
                process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, env=environment,
                                           start_new_session=True)
                try:
                    reason = None if process.wait(timeout=timeout) == 0 else f"soffice status {process.returncode}"
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)  # soffice and the soffice.bin it started
                    process.wait()
                    reason = f"timeout after {timeout} s"
            with open(os.path.join(work, SOFFICE_LOG), encoding="utf-8", errors="replace") as f:
                order = sheet_order(f.read(), target)
            outputs = {}
            for name in os.listdir(target):
                digest = name[:64]
                if digest in names:
                    outputs.setdefault(names[digest], []).append(name)
            if reason is not None and len(paths) > 1:
                return {path: reason for path in paths}  # which one failed is not known
            left = {}
            for path in paths:
                if path in outputs:
                    produced = {n: os.path.join(target, n) for n in outputs[path]}
                    self._record(kind, path, produced, "ok", order)
                else:
                    left[path] = reason or "no output"
            return left

    def _record(self, kind, path, outputs, status, order=None):
        """Stores a workbook's outputs ({file name: produced path}) and status.
        Sheets are stored as 1.csv, 2.csv, ... in the order soffice wrote them,
        with their names in sheets.tsv."""
        entry = self.entry(kind, path)
        shutil.rmtree(entry, ignore_errors=True)
        os.makedirs(entry)
        if kind == "shown":
            order = order or {}
            prefix = len(self.digest(path)) + 1  # <digest>-<sheet name>.csv

            def written(output):
                name, produced = output
                return order.get(produced, (len(order), name[prefix:-len(".csv")]))

            sheets = [written(o) + (o[1],) for o in outputs.items()]
            with open(os.path.join(entry, SHEETS), "w", encoding="utf-8", errors="surrogateescape") as f:
                for number, (_, name, produced) in enumerate(sorted(sheets)):
                    shutil.move(produced, os.path.join(entry, f"{number + 1}.csv"))
                    f.write(f"{number + 1}.csv\t{name}\n")
        else:
            for name, produced in outputs.items():
                shutil.move(produced, os.path.join(entry, "book" + os.path.splitext(name)[1]))
        with open(os.path.join(entry, STATUS), "w") as f:
            f.write(status + "\n")

    def sheets(self, path):
        """[(sheet name, grid)] of LibreOffice's as-shown export in the order it
        wrote them, None when it has none."""
        if self.status("shown", path) != "ok":
            return None
        entry = self.entry("shown", path)
        sheets = []
        with open(os.path.join(entry, SHEETS), encoding="utf-8", errors="surrogateescape") as f:
            for line in f.read().splitlines():
                stored, name = line.split("\t", 1)
                if name == self.digest(path):  # a worksheet file's sheet is named after the file
                    name = os.path.splitext(os.path.basename(path))[0]
                with open(os.path.join(entry, stored), encoding="utf-8", errors="surrogateescape", newline="") as g:
                    sheets.append((name, parse_grid(g.read(), "\t")))
        return sheets

    def named_after_file(self, path):
        """Whether LibreOffice named a sheet after the file, as it does for a
        file it imports as text (and for a bare worksheet of BIFF2-BIFF4)."""
        base = os.path.splitext(os.path.basename(path))[0]
        return any(name == base for name, _ in self.sheets(path) or [])

    def exported_on(self, kind, path):
        """The day LibreOffice converted the workbook (its volatile formulas,
        TODAY() and NOW(), give that day)."""
        import datetime

        return datetime.date.fromtimestamp(os.path.getmtime(os.path.join(self.entry(kind, path), STATUS)))

    def saved(self, kind, path):
        """The path of the workbook LibreOffice saved as kind ("xls", "xlsx" or "ods"), or None."""
        if self.status(kind, path) != "ok":
            return None
        stored = os.path.join(self.entry(kind, path), "book." + kind)
        return stored if os.path.exists(stored) else None


CORPUS_FOLDERS = (("xls", (".xls",)), ("xlsx", (".xlsx", ".xlsm", ".xltx")), ("xlsb", (".xlsb",)),
                  ("ods", (".ods", ".ots")), ("fods", (".fods",)))


def corpus_workbooks(corpus, folders=None):
    """The .xls, .xlsx, .xlsb, .ods and .fods workbooks of the corpus (of the named folders
    only, when given), as (folder, path), sorted."""
    found = []
    for folder, extensions in CORPUS_FOLDERS:
        if folders and folder not in folders:
            continue
        directory = os.path.join(corpus, folder)
        if os.path.isdir(directory):
            found += [(folder, os.path.join(directory, n)) for n in sorted(os.listdir(directory))
                      if n.lower().endswith(extensions)]
    return found


def main():
    import argparse

    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Fills the LibreOffice cache for the corpus.")
    parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--cache", default=os.path.join(here, "..", "build", "fidelity-cache"))
    parser.add_argument("--kind", action="append", choices=sorted(FILTERS),
                        help="what to convert to (repeatable; default: all)")
    args = parser.parse_args()
    cache = Cache(args.cache)
    paths = [path for _, path in corpus_workbooks(args.corpus)]
    for kind in args.kind or ["shown", "xls", "xlsx"]:
        cache.fill(kind, paths)
        counts = {}
        for path in paths:
            counts[cache.status(kind, path)] = counts.get(cache.status(kind, path), 0) + 1
        print(f"{kind}: " + ", ".join(f"{n} {s}" for s, n in sorted(counts.items())))


if __name__ == "__main__":
    main()
