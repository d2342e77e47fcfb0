#!/usr/bin/env python3
"""Mutation sampler: how many small faults in src/ do the fast test suites catch?

It makes one small change at a time on a seeded sample of code lines in src/ -- flips a
comparison, swaps an arithmetic or logical operator, moves a constant (0 <-> 1, n -> n + 1),
swaps true/false, drops a `!` or a whole statement -- rebuilds the fast suites incrementally,
runs them on a private Xvfb and restores the file (always: also on Ctrl-C or SIGTERM; a run
killed harder leaves <build-dir>/mutate-pending, which the next run restores first).

    tools/mutate.py [--seed 1] [--count 40] [--build-dir build-mutate] [--jobs 2]
                    [--report out/mutate-seed1.txt] [--list]

Each mutant is reported as file:line, the change, and "caught" (with the first failing test,
a crash or a timeout, which must repeat when that test runs alone), "missed" or "not viable"
(it does not compile, warnings included since the build is -Werror); the kill rate is
caught / viable. --count is the number of viable mutants to judge. Skipped lines: blank,
comments, preprocessor lines, log statements, assert() (compiled out). `++`/`--` are not
swapped: most such mutants only loop forever.

The sample is deterministic for a seed and a tree, and stable under edits: each candidate's
line's rank, and the change drawn on it, are hashes of the seed, the file and the line's text
(with its occurrence number in the file), so the lines an edit leaves alone keep their place.
Python rather than shell, because the candidate search, the ranking and the guaranteed restore
are plain code here.
"""
import argparse
import hashlib
import json
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The suites that need no program run; program_tests take minutes per mutant.
SUITES = ["engine_tests", "audio_tests", "demo_tests", "effects_tests", "scene_tests"]
# Seconds a mutant's rebuild may take before it counts as not viable.
BUILD_TIMEOUT = 900
# A suite run is a timeout (caught) beyond this many times its clean run time, plus the slack.
TIMEOUT_FACTOR = 4
TIMEOUT_SLACK = 20
# Drawn mutants per wanted viable one before the sampler gives up.
MAX_DRAWS_PER_VIABLE = 4

COMPARISON_FLIPS = {"==": ["!="], "!=": ["=="], "<": ["<=", ">="], "<=": ["<", ">"],
                    ">": [">=", "<="], ">=": [">", "<"]}
OPERATOR_SWAPS = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "*=": "/=",
                  "/=": "*=", "&&": "||", "||": "&&"}
# Binary operators stand between spaces in this code base (.clang-format), which tells them
# from template brackets, pointers, unary minus, << and ->.
SPACED_OPERATOR = re.compile(r"(?<= )(==|!=|<=|>=|<|>|\+=|-=|\*=|/=|\+|-|\*|/|&&|\|\|)(?= )")
NUMBER = re.compile(r"(?<![\w.])(\d+(?:\.\d*)?(?:[eE][+-]?\d+)?)([fFuUlL]*)(?![\w.])")
PURE_SPECIFIER = re.compile(r"\) *(?:const *)?= *$")
BOOLEAN = re.compile(r"\b(true|false)\b")
NEGATION = re.compile(r"!(?=[A-Za-z_(])")
DECLARATION = re.compile(r"^(?:const|static|auto|using|typedef)\b|^[A-Za-z_][\w:<>, ]*[*&]? +[A-Za-z_]\w* *(?:=|;|\{|\()")
STATEMENT_KEYWORDS = ("return", "delete", "goto", "break", "continue")


def code_mask(line):
    """The line with string/char literal contents and a trailing // comment blanked."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            out.append(c if c == quote else " ")
            quote = None if c == quote else quote
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out).ljust(len(line))[: len(line)]


def new_number(text, suffix):
    if "." in text or "e" in text.lower():
        value = float(text)
        value = 1.0 if value == 0 else 0.0 if value == 1 else value + 1
        result = repr(value)
        return result + suffix
    value = int(text)
    return str(1 if value == 0 else 0 if value == 1 else value + 1) + suffix


def mutations(line, masked):
    """(column, old, new, description) for every small change the line allows."""
    found = []
    for m in SPACED_OPERATOR.finditer(masked):
        op = m.group(1)
        for new in COMPARISON_FLIPS.get(op, []) + ([OPERATOR_SWAPS[op]] if op in OPERATOR_SWAPS else []):
            found.append((m.start(1), op, new, f"'{op}' -> '{new}'"))
    for m in NUMBER.finditer(masked):
        if PURE_SPECIFIER.search(masked[: m.start()]):
            continue
        old = line[m.start(): m.end()]
        new = new_number(m.group(1), m.group(2))
        found.append((m.start(), old, new, f"{old} -> {new}"))
    for m in BOOLEAN.finditer(masked):
        new = "false" if m.group(1) == "true" else "true"
        found.append((m.start(), m.group(1), new, f"{m.group(1)} -> {new}"))
    for m in NEGATION.finditer(masked):
        if not masked[m.start():].startswith("!="):
            found.append((m.start(), "!", "", "drop '!'"))
    return found


def droppable(code, previous, is_source):
    if not is_source or not code.endswith(";") or code.startswith("}"):
        return False
    if code.count("(") != code.count(")") or not previous.endswith((";", "{", "}", ":")):
        return False
    word = code.split("(")[0].split(" ")[0]
    return word in STATEMENT_KEYWORDS or not DECLARATION.match(code)


def candidates(root):
    """Every mutant of src/: (file, line number, occurrence of the line's text, text, change, new line)."""
    result = []
    src = os.path.join(root, "src")
    for directory, _, files in sorted(os.walk(src)):
        for name in sorted(files):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(directory, name)
            rel = os.path.relpath(path, root)
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            seen, in_block, in_log, previous = {}, False, False, "{"
            for number, line in enumerate(lines, 1):
                masked = code_mask(line)
                code = masked.strip()
                if in_block:
                    in_block = "*/" not in code
                    continue
                if code.startswith("/*"):
                    in_block = "*/" not in code
                    continue
                if not code or code.startswith("#"):
                    continue
                if previous.endswith((";", "{", "}", ":")):
                    in_log = code.startswith(("LOG(", "assert(", "static_assert("))
                text = line.strip()
                occurrence = seen.get(text, 0)
                seen[text] = occurrence + 1
                if not in_log:
                    for column, old, new, description in mutations(line, masked):
                        mutated = line[:column] + new + line[column + len(old):]
                        result.append((rel, number, occurrence, text, description, mutated))
                    if droppable(code, previous, name.endswith(".cpp")):
                        result.append((rel, number, occurrence, text, "drop statement", ""))
                previous = code
    return result


def ranked_sample(root, seed):
    """One change per line, lines in rank order: every mutable line is equally likely."""
    def rank(*parts):
        return hashlib.sha256("\0".join(str(p) for p in (seed,) + parts).encode()).hexdigest()
    lines = {}
    for c in candidates(root):
        rel, number, occurrence, text, description, _ = c
        best = lines.get((rel, number))
        if best is None or rank(rel, occurrence, text, description) < best[0]:
            lines[(rel, number)] = (rank(rel, occurrence, text, description), rank(rel, occurrence, text), c)
    return [c for _, _, c in sorted(lines.values(), key=lambda entry: entry[1])]


class Session:
    """The build, the display and the one file currently mutated."""

    def __init__(self, build_dir, jobs):
        self.build_dir = build_dir
        self.jobs = jobs
        self.pending = os.path.join(build_dir, "mutate-pending")
        self.child = None
        self.xvfb = None
        self.suite_times = {}

    def restore_pending(self, interrupted_run=False):
        if not os.path.exists(self.pending):
            return
        with open(self.pending, encoding="utf-8") as f:
            saved = json.load(f)
        with open(os.path.join(ROOT, saved["file"]), "w", encoding="utf-8") as f:
            f.write(saved["text"])
        os.remove(self.pending)
        if interrupted_run:
            print(f"mutate: restored {saved['file']}, left mutated by an interrupted run", flush=True)

    def mutate(self, rel, number, mutated):
        path = os.path.join(ROOT, rel)
        with open(path, encoding="utf-8") as f:
            original = f.read()
        with open(self.pending, "w", encoding="utf-8") as f:
            json.dump({"file": rel, "text": original}, f)
        lines = original.split("\n")
        lines[number - 1] = mutated
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))

    def start_xvfb(self):
        self.xvfb = subprocess.Popen([os.path.join(ROOT, "tools", "lib", "xvfb.sh")], stdout=subprocess.PIPE, text=True)
        number = self.xvfb.stdout.readline().strip()
        if not number:
            sys.exit("mutate: Xvfb did not start")
        os.environ["DISPLAY"] = f":{number}"
        os.environ["SDL_AUDIODRIVER"] = "dummy"

    def run(self, command, timeout, cwd=None):
        """(exit code or None on timeout, output)."""
        self.child = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                      text=True, errors="replace", start_new_session=True)
        try:
            output, _ = self.child.communicate(timeout=timeout)
            return self.child.returncode, output
        except subprocess.TimeoutExpired:
            self.kill_child()
            return None, self.child.communicate()[0]
        finally:
            self.child = None

    def kill_child(self):
        if self.child and self.child.poll() is None:
            os.killpg(self.child.pid, signal.SIGKILL)

    def configure(self):
        if not os.path.exists(os.path.join(self.build_dir, "CMakeCache.txt")):
            code, output = self.run(["cmake", "-S", ROOT, "-B", self.build_dir, "-DTRAMBLE_WERROR=ON",
                                     "-DTRAMBLE_TESTS=ON", "-DTRAMBLE_BENCH=OFF",
                                     "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], BUILD_TIMEOUT)
            if code != 0:
                sys.exit("mutate: configure failed\n" + output)

    def build(self, timeout=BUILD_TIMEOUT):
        code, output = self.run(["cmake", "--build", self.build_dir, "-j", str(self.jobs), "--target"] + SUITES,
                                timeout)
        return code == 0, output

    def run_suites(self):
        """(what failed first or None, tests that failed once but passed alone)."""
        flaky = []
        for suite in SUITES:
            binary = os.path.join(self.build_dir, "tests", suite)
            timeout = self.suite_times.get(suite, 600) * TIMEOUT_FACTOR + TIMEOUT_SLACK
            start = time.monotonic()
            code, output = self.run([binary, "--gtest_fail_fast"], timeout, cwd=ROOT)
            self.suite_times.setdefault(suite, time.monotonic() - start)
            if code == 0:
                continue
            failed = re.findall(r"^\[  FAILED  \] ([^\s,]+)", output, re.M)
            running = re.findall(r"^\[ RUN      \] (\S+)", output, re.M)
            where = failed[0] if failed else (running[-1] if running else None)
            # A catch must repeat: the real-time tests can fail on a loaded machine. The rest of
            # a suite after a test that passes alone goes unjudged.
            if where and self.run([binary, f"--gtest_filter={where}"], timeout, cwd=ROOT)[0] == 0:
                flaky.append(where)
                continue
            where = where or suite
            if code is None:
                return f"{suite}: timeout in {where}", flaky
            if code < 0:
                return f"{suite}: signal {-code} in {where}", flaky
            return f"{suite}: {where}", flaky
        return None, flaky

    def close(self):
        self.kill_child()
        self.restore_pending()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()


def summary(results):
    viable = sum(1 for ok, _ in results if ok)
    caught = sum(1 for ok, failure in results if ok and failure)
    return (f"# {len(results)} mutants: {viable} viable, {caught} caught, {viable - caught} missed, "
            f"{len(results) - viable} not viable; kill rate {caught}/{viable} = {100.0 * caught / max(viable, 1):.0f}%")


def interrupt(signum, _frame):
    raise KeyboardInterrupt(f"signal {signum}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--count", type=int, default=40, help="viable mutants to judge")
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build-mutate"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--report", help="report file (default out/mutate-seed<seed>.txt)")
    parser.add_argument("--list", action="store_true", help="print the first drawn mutants and stop")
    args = parser.parse_args()
    sample = ranked_sample(ROOT, args.seed)
    if args.list:
        for rel, number, _, text, description, _ in sample[: args.count]:
            print(f"{rel}:{number}: {description}    | {text}")
        return 0

    build_dir = os.path.abspath(args.build_dir)
    os.makedirs(build_dir, exist_ok=True)
    report_path = args.report or os.path.join(ROOT, "out", f"mutate-seed{args.seed}.txt")
    os.makedirs(os.path.dirname(os.path.abspath(report_path)), exist_ok=True)
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupt)
    session = Session(build_dir, args.jobs)
    results = []
    with open(report_path, "w", encoding="utf-8") as report:
        def say(text):
            print(text, flush=True)
            report.write(text + "\n")
            report.flush()

        try:
            session.restore_pending(interrupted_run=True)
            session.configure()
            session.start_xvfb()
            ok, output = session.build()
            if not ok:
                sys.exit("mutate: the unmutated tree does not build\n" + output[-4000:])
            failure, _ = session.run_suites()
            if failure:
                sys.exit(f"mutate: the unmutated tree fails its tests ({failure})")
            say(f"# seed {args.seed}, {len(sample)} mutable lines in src/, suites {' '.join(SUITES)}")
            viable = 0
            for rel, number, _, text, description, mutated in sample[: args.count * MAX_DRAWS_PER_VIABLE]:
                if viable == args.count:
                    break
                start = time.monotonic()
                session.mutate(rel, number, mutated)
                try:
                    ok, _ = session.build()
                    failure, flaky = session.run_suites() if ok else (None, [])
                finally:
                    session.restore_pending()
                outcome = "not viable" if not ok else f"caught by {failure}" if failure else "missed"
                if flaky:
                    outcome += f" (failed once, passed alone: {', '.join(flaky)})"
                viable += ok
                results.append((ok, failure))
                say(f"{rel}:{number}: {description}: {outcome}  ({time.monotonic() - start:.0f} s)    | {text}")
            say(summary(results))
        except KeyboardInterrupt as stop:
            say(f"# interrupted ({stop}); so far: {summary(results)[2:]}")
            return 130
        finally:
            session.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
