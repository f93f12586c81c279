#!/usr/bin/env python3
"""Measures what the test suite catches: applies the single-line mutants of
tools/mutants.txt one at a time, rebuilds incrementally and runs the test
programs that link the mutated library. A mutant is killed when a test fails,
crashes or runs past its time limit; it survives when every test passes.

    tools/with-display.sh python3 tools/run_mutants.py [--only TEXT] [--results FILE]
                                                       [--compare OLD.json]

The build folder (build-mutation: no link-time optimisation, no benchmarks,
ccache) is configured and built once. Each mutant then costs one compile,
the links of the programs above it and the tests up to the first failure.
The mutated file is always restored, also on Ctrl+C.

Before the mutants, every test program is run once unmutated. That gives
each test's time (fast tests run together with --gtest_fail_fast, slow ones
one by one afterwards, so most mutants die within the first seconds) and
finds the tests that only pass in a process of their own, as CTest runs them.
"""

import argparse
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET
from collections import OrderedDict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build-mutation")
MUTANTS = os.path.join(ROOT, "tools", "mutants.txt")
# Ninja and lld keep a rebuild of one file and its links to seconds (make's
# walk of the whole tree alone costs several).
CONFIGURE = ["-G", "Ninja", "-DSALVO_LTO=OFF", "-DSALVO_BENCH=OFF",
             "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
             "-DCMAKE_C_COMPILER_LAUNCHER=ccache", "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"]
# Tests slower than this run one by one after the rest of their program.
SLOW_SECONDS = 1.0
# A run may take this many times its unmutated time (plus a margin) before it
# counts as hung.
TIME_FACTOR = 3
TIME_MARGIN = 10


class Mutant:
    def __init__(self, path, occurrence, description, old, new):
        self.path = path
        self.occurrence = occurrence
        self.description = description
        self.old = old
        self.new = new

    @property
    def name(self):
        suffix = f"#{self.occurrence}" if self.occurrence else ""
        return f"{self.path}{suffix}: {self.old}  =>  {self.new}"


def parse_mutants(path):
    """Stanzas of '@ FILE[#N] | description', '- old line', '+ new line'."""
    mutants = []
    header = old = None
    for number, raw in enumerate(open(path, encoding="utf-8"), 1):
        line = raw.rstrip("\n")
        if not line.strip() or line.startswith("#"):
            continue
        if line.startswith("@ "):
            header = line[2:]
        elif line.startswith("- ") and header:
            old = line[2:].strip()
        elif line.startswith("+") and header and old is not None:
            target, _, description = header.partition(" | ")
            file_path, _, nth = target.strip().partition("#")
            mutants.append(Mutant(file_path, int(nth) if nth else None, description.strip(), old,
                                  line[1:].strip()))
            header = old = None
        else:
            sys.exit(f"{path}:{number}: expected '@ FILE | why', '- old' or '+ new'")
    return mutants


def locate(mutant, lines):
    """Index of the line the mutant changes, or a reason it cannot apply."""
    hits = [i for i, text in enumerate(lines) if text.strip() == mutant.old]
    if len(hits) < (mutant.occurrence or 1):
        return None, "not applicable"
    if len(hits) > 1 and not mutant.occurrence:
        # Several lines read the same: the list must say which (FILE#N).
        return None, "not applicable"
    return hits[(mutant.occurrence or 1) - 1], None


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          errors="replace", **kwargs)


def configure_and_build(targets):
    options = CONFIGURE
    if os.path.exists(os.path.join(BUILD, "CMakeCache.txt")):
        options = CONFIGURE[2:]  # the generator is chosen once
    result = run(["cmake", "-S", ROOT, "-B", BUILD, f"--graphviz={BUILD}/deps/graph.dot"] +
                 options)
    if result.returncode != 0:
        sys.exit(result.stdout)
    return build(targets)


def build(targets):
    return run(["cmake", "--build", BUILD, "-j2"] + (["--target"] + targets if targets else []))


def link_graph():
    """Target name -> names of the targets it links, from CMake's graphviz."""
    names, edges = {}, {}
    node = re.compile(r'^\s*"(node\d+)" \[ label = "([^"]+)"')
    edge = re.compile(r'^\s*"(node\d+)" -> "(node\d+)"')
    for line in open(os.path.join(BUILD, "deps", "graph.dot")):
        if m := node.match(line):
            names[m.group(1)] = m.group(2)
        elif m := edge.match(line):
            edges.setdefault(m.group(1), []).append(m.group(2))
    graph = {}
    for key, label in names.items():
        graph.setdefault(label, set()).update(names[n] for n in edges.get(key, []))
    return graph


def closure(graph, target):
    seen, todo = set(), [target]
    while todo:
        for dep in graph.get(todo.pop(), ()):
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen


def test_programs(graph):
    """The GoogleTest programs of the suite (the soak hour is left out)."""
    return sorted(t for t in graph if t.endswith("_tests") and "salvo_runtime" in closure(graph, t))


def program_path(name):
    for folder, _, files in os.walk(os.path.join(BUILD, "tests")):
        if name in files:
            return os.path.join(folder, name)
    sys.exit(f"test program {name} was not built")


def environment():
    env = dict(os.environ)
    env["SALVO_SOURCE_DIR"] = ROOT
    env["SALVO_BINARY_DIR"] = BUILD
    return env


def run_tests(program, arguments, timeout):
    """(passed, output, first failing test or 'timeout')."""
    try:
        result = run([program] + arguments, cwd=os.path.dirname(program), env=environment(),
                     timeout=timeout, start_new_session=True)
    except subprocess.TimeoutExpired as expired:
        kill_group(expired)
        return False, "", "timeout"
    if result.returncode == 0:
        return True, result.stdout, None
    failed = re.findall(r"^\[  FAILED  \] (\S+) \(", result.stdout, re.M)
    return False, result.stdout, failed[0] if failed else f"exit {result.returncode}"


def kill_group(expired):
    # The program and anything it started (a second X server, the game) go.
    process = getattr(expired, "process", None)
    if process is not None:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


class Plan:
    """How one program's tests run: the fast ones together, then each slow one."""

    def __init__(self, program):
        self.program = program
        self.steps = []  # (gtest arguments, timeout in seconds)
        self.seconds = 0.0

    def add(self, arguments, seconds):
        self.steps.append((arguments, TIME_FACTOR * seconds + TIME_MARGIN))
        self.seconds += seconds


def baseline(name):
    """Runs one program unmutated and returns its Plan."""
    program = program_path(name)
    with tempfile.TemporaryDirectory() as scratch:
        report = os.path.join(scratch, "report.xml")
        start = time.monotonic()
        run_tests(program, [f"--gtest_output=xml:{report}"], 1800)
        total = time.monotonic() - start
        times, failures = OrderedDict(), []
        for case in ET.parse(report).getroot().iter("testcase"):
            test = f"{case.get('classname')}.{case.get('name')}"
            times[test] = float(case.get("time", "0"))
            if case.find("failure") is not None:
                failures.append(test)
    alone, broken = [], []
    for test in failures:
        passed, _, _ = run_tests(program, [f"--gtest_filter={test}"], 600)
        (alone if passed else broken).append(test)
    for test in broken:
        print(f"  warning: {test} fails unmutated and is left out", flush=True)
    separate = [t for t, s in times.items() if s >= SLOW_SECONDS and t not in broken] + alone
    plan = Plan(program)
    excluded = separate + broken
    fast = sum(s for t, s in times.items() if t not in excluded)
    plan.add(["--gtest_fail_fast"] + (["--gtest_filter=-" + ":".join(excluded)] if excluded else []),
             fast + max(0.0, total - sum(times.values())))
    for test in sorted(set(separate), key=lambda t: times.get(t, 0)):
        plan.add([f"--gtest_filter={test}"], times.get(test, 0))
    print(f"  {name}: {len(times)} tests, {total:.1f} s; {len(set(separate))} run on their own",
          flush=True)
    return plan


def programs_for(path, graph, programs):
    library = "salvo_" + path.split("/")[0]
    return [p for p in programs if library in closure(graph, p)]


def order(path, names, plans):
    # The mutated folder's own tests first, then the quickest programs.
    folder = path.split("/")[0]
    return sorted(names, key=lambda n: (not n.startswith(folder + "_"), plans[n].seconds))


def try_mutant(mutant, graph, programs, plans):
    """Outcome: (status, detail, seconds)."""
    source = os.path.join(ROOT, mutant.path)
    if not os.path.exists(source):
        return "not applicable", "no such file", 0.0
    original = open(source, encoding="utf-8").read()
    lines = original.split("\n")
    index, reason = locate(mutant, lines)
    if reason:
        return reason, "text not found or not unique", 0.0
    indent = lines[index][: len(lines[index]) - len(lines[index].lstrip())]
    lines[index] = indent + mutant.new
    start = time.monotonic()
    names = order(mutant.path, programs_for(mutant.path, graph, programs), plans)
    try:
        with open(source, "w", encoding="utf-8") as out:
            out.write("\n".join(lines))
        targets = names + (["salvo"] if "game_tests" in names else [])
        if build(targets).returncode != 0:
            return "build failed", "", time.monotonic() - start
        for name in names:
            for arguments, timeout in plans[name].steps:
                passed, _, failure = run_tests(plans[name].program, arguments, timeout)
                if not passed:
                    return "killed", f"{name}: {failure}", time.monotonic() - start
        return "survived", "", time.monotonic() - start
    finally:
        with open(source, "w", encoding="utf-8") as out:
            out.write(original)


def summary(results):
    files = OrderedDict()
    for entry in results:
        counts = files.setdefault(entry["file"], OrderedDict(
            (k, 0) for k in ("killed", "survived", "not applicable", "build failed")))
        counts[entry["status"]] += 1
    lines = ["| file | killed | survived | not applicable | build failed |",
             "|---|---|---|---|---|"]
    total = [0, 0, 0, 0]
    for path, counts in files.items():
        values = list(counts.values())
        total = [a + b for a, b in zip(total, values)]
        lines.append(f"| {path} | " + " | ".join(map(str, values)) + " |")
    lines.append("| **all** | " + " | ".join(f"**{v}**" for v in total) + " |")
    survivors = [e for e in results if e["status"] == "survived"]
    lines += ["", f"Survivors ({len(survivors)}):", ""]
    lines += [f"- {e['file']}: `{e['old']}` => `{e['new']}` ({e['description']})"
              for e in survivors]
    others = [e for e in results if e["status"] in ("not applicable", "build failed")]
    if others:
        lines += ["", "Not run:", ""]
        lines += [f"- {e['status']}: {e['file']}: `{e['old']}`" for e in others]
    return "\n".join(lines)


def compare(old_path, results):
    """Mutants the earlier run killed and this one did not."""
    old = {e["key"]: e for e in json.load(open(old_path))["mutants"]}
    lost = [e for e in results if e["status"] == "survived" and
            old.get(e["key"], {}).get("status") == "killed"]
    lines = ["", f"Killed before, surviving now ({len(lost)}):", ""]
    lines += [f"- {e['file']}: `{e['old']}` => `{e['new']}` (before: {old[e['key']]['detail']})"
              for e in lost]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", help="run only the mutants whose file or text contains this")
    parser.add_argument("--results", help="write the table (FILE) and the details (FILE.json)")
    parser.add_argument("--compare", help="a FILE.json of an earlier run to compare with")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    mutants = parse_mutants(MUTANTS)
    if args.only:
        mutants = [m for m in mutants if args.only in m.path or args.only in m.old]
    print(f"{len(mutants)} mutants; building {BUILD}", flush=True)
    result = configure_and_build([])
    if result.returncode != 0:
        sys.exit(result.stdout[-4000:])
    graph = link_graph()
    programs = test_programs(graph)
    print("unmutated runs:", flush=True)
    plans = {name: baseline(name) for name in programs}

    results = []
    started = time.monotonic()
    try:
        for number, mutant in enumerate(mutants, 1):
            status, detail, seconds = try_mutant(mutant, graph, programs, plans)
            print(f"[{number}/{len(mutants)}] {status:14} {seconds:5.1f} s  {mutant.name}"
                  + (f"  ({detail})" if detail else ""), flush=True)
            results.append({"key": mutant.name, "file": mutant.path, "old": mutant.old,
                            "new": mutant.new, "description": mutant.description,
                            "status": status, "detail": detail, "seconds": round(seconds, 1)})
    except KeyboardInterrupt:
        print("interrupted: the mutated file is restored", flush=True)
    finally:
        build([])  # leave the folder matching the sources
    elapsed = time.monotonic() - started
    ran = [r for r in results if r["status"] in ("killed", "survived")]
    text = summary(results)
    text += (f"\n\n{len(ran)} mutants run in {elapsed:.0f} s: "
             f"{elapsed / max(1, len(ran)):.1f} s a mutant on average.")
    if args.compare:
        text += "\n" + compare(args.compare, results)
    print("\n" + text)
    if args.results:
        with open(args.results, "w") as out:
            out.write(text + "\n")
        with open(args.results + ".json", "w") as out:
            json.dump({"mutants": results, "seconds": round(elapsed)}, out, indent=1)


if __name__ == "__main__":
    main()
