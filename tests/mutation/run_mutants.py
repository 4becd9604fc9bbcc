#!/usr/bin/python3
"""Scripted mutation pass over the library's sources (not run by CI).

Flips one comparison, logical or arithmetic operator at a time in a copy of the source
tree, rebuilds incrementally in a build folder of its own, and runs the test programs
until one fails. A mutant that a program rejects (or that runs past the time limit) is
killed; one that every program accepts survived; one that does not compile is counted
apart. The results go to a table (mutants.tsv) and a summary in the work folder.

    /usr/bin/python3 tests/mutation/run_mutants.py [--every K] [--offset O] [--limit N]
        [--files GLOB ...] [--work DIR] [--jobs J] [--timeout SECONDS] [--list]

The operators are those written between spaces (clang-format writes every binary
operator so): < <= > >= == != && || + - * /. The sites are numbered in file and line
order; --every K --offset O takes sites O, O+K, O+2K, ... (a deterministic sample).
--list only prints the sample. Run it niced; it uses one build job unless told more.
"""
import argparse
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import time

# Each operator and what it becomes: comparisons move their boundary (the faults tests
# miss most easily), the rest turn into their opposite.
FLIPS = {
    "<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==",
    "&&": "||", "||": "&&", "+": "-", "-": "+", "*": "/", "/": "*",
}
SITE = re.compile(r"(?<=\S) (<=|>=|==|!=|&&|\|\||<|>|\+|-|\*|/) (?=\S)")
DEFAULT_FILES = ["src/optimize/*.cpp", "src/optimize/*.h", "src/prepare/*.cpp",
                 "src/report/*.cpp", "src/interface/*.cpp"]
# Test programs run for a mutant, the folder's own suite first; the digest holds 200
# random boards to their stored digest.
SUITES = ["optimize", "interface", "prepare", "report"]


def code_part(line):
    """The line without its comment and string literals (blanked, same length)."""
    out, quote, i = [], None, 0
    while i < len(line):
        c = line[i]
        if quote:
            out.append(" ")
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def find_sites(root, patterns):
    files = []
    for pattern in patterns:
        folder, glob = os.path.split(pattern)
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if fnmatch.fnmatch(name, glob):
                files.append(os.path.join(folder, name))
    sites = []
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8") as f:
            lines = f.read().split("\n")
        for number, line in enumerate(lines):
            code = code_part(line)
            stripped = code.strip()
            if (not stripped or stripped.startswith("#") or "static_assert" in code
                    or "template" in code):
                continue
            for match in SITE.finditer(code):
                sites.append((path, number, match.start(1), match.group(1)))
    return sites


def run(command, cwd, timeout, log, tree=None):
    environment = dict(os.environ)
    if tree:
        environment["SAWLINE_SOURCE_DIR"] = tree  # where the suites find the tree's files
    try:
        done = subprocess.run(command, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                              timeout=timeout, env=environment)
        return done.returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--every", type=int, default=1)
    parser.add_argument("--offset", type=int, default=0)
    parser.add_argument("--limit", type=int, default=0)
    parser.add_argument("--files", nargs="*", default=DEFAULT_FILES)
    parser.add_argument("--work", default="build-mutation")
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()

    source = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
    sites = find_sites(source, args.files)
    chosen = sites[args.offset::max(args.every, 1)]
    if args.limit > 0:
        chosen = chosen[:args.limit]
    if args.list:
        for path, number, column, op in chosen:
            print(f"{path}:{number + 1}:{column + 1}: {op} -> {FLIPS[op]}")
        print(f"{len(chosen)} of {len(sites)} sites", file=sys.stderr)
        return 0

    work = os.path.abspath(args.work)
    tree = os.path.join(work, "tree")
    build = os.path.join(work, "build")
    os.makedirs(work, exist_ok=True)
    listed = subprocess.run(["git", "ls-files"], cwd=source, capture_output=True, text=True,
                            check=True).stdout.split("\n")
    for name in filter(None, listed):
        target = os.path.join(tree, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if not os.path.exists(target) or open(os.path.join(source, name), "rb").read() != open(
                target, "rb").read():
            shutil.copyfile(os.path.join(source, name), target)  # a new time: rebuilt
    log = open(os.path.join(work, "log.txt"), "a")
    jobs = ["-j", str(args.jobs)]
    if run(["cmake", "-S", tree, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DSAWLINE_BENCH=OFF"],
           work, None, log) != 0:
        sys.exit("configure failed (see log.txt)")

    def test_programs(path):
        folder = path.split("/")[1]
        suites = sorted(SUITES, key=lambda s: s != folder)
        return [("test_" + suites[0], ["./test_" + suites[0]]),
                ("sawline_digest", ["./sawline_digest", "200", "--expect", digest])] + [
                    ("test_" + s, ["./test_" + s]) for s in suites[1:]]

    with open(os.path.join(source, "CMakeLists.txt")) as f:
        digest = re.search(r"sawline_digest 200 --expect (\w+)", f.read()).group(1)
    # The unmutated tree must pass, or nothing can be concluded.
    for target, command in test_programs("src/optimize/x"):
        if run(["cmake", "--build", build, "--target", target] + jobs, work, None, log) != 0:
            sys.exit("the unmutated tree does not build (see log.txt)")
        if run(command, build, args.timeout, log, tree) != 0:
            sys.exit(f"the unmutated tree fails {target} (see log.txt)")

    table = open(os.path.join(work, "mutants.tsv"), "w")
    table.write("site\toperator\tmutant\toutcome\tby\tline\n")
    counts = {"killed": 0, "survived": 0, "timeout": 0, "no-compile": 0}
    started = time.time()
    for index, (path, number, column, op) in enumerate(chosen):
        file_path = os.path.join(tree, path)
        original = open(file_path, encoding="utf-8").read()
        lines = original.split("\n")
        line = lines[number]
        lines[number] = line[:column] + FLIPS[op] + line[column + len(op):]
        with open(file_path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        outcome, by = "survived", ""
        log.write(f"\n==== mutant {index}: {path}:{number + 1}: {op} -> {FLIPS[op]}\n")
        log.flush()
        for target, command in test_programs(path):
            if run(["cmake", "--build", build, "--target", target] + jobs, work, None, log) != 0:
                outcome, by = "no-compile", target
                break
            result = run(command, build, args.timeout, log, tree)
            if result != 0:
                outcome, by = ("timeout" if result == "timeout" else "killed"), target
                break
        with open(file_path, "w", encoding="utf-8") as f:
            f.write(original)
        counts[outcome] += 1
        table.write(f"{path}:{number + 1}\t{op}\t{FLIPS[op]}\t{outcome}\t{by}\t"
                    f"{line.strip()}\n")
        table.flush()
        print(f"[{index + 1}/{len(chosen)} {time.time() - started:.0f}s] {path}:{number + 1} "
              f"{op} -> {FLIPS[op]}: {outcome} {by}", flush=True)
    # Leave the build matching the unmutated tree.
    for target, _ in test_programs("src/optimize/x"):
        run(["cmake", "--build", build, "--target", target] + jobs, work, None, log)
    summary = (f"mutants {len(chosen)} (of {len(sites)} sites): killed {counts['killed']}, "
               f"timeout {counts['timeout']}, survived {counts['survived']}, "
               f"not compiled {counts['no-compile']}")
    with open(os.path.join(work, "summary.txt"), "w") as f:
        f.write(summary + "\n")
    print(summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
