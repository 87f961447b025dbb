#!/usr/bin/env python3
"""Seeded-fault (mutation) harness for the password manager's test suite.

For each mutant in the list: replace one unique snippet of a program file,
rebuild incrementally, run ctest, record whether the suite caught the fault,
and restore the file with `git checkout -- FILE`.

Usage: mutate.py CHECKOUT [--mutants FILE ...] [--build DIR] [--only ID,...]
                 [--timeout SECONDS] [--ctest-jobs N] [--tests REGEX] [--results FILE]
                 [--check]

--tests runs only the tests whose names match REGEX (ctest -R): it tells which
faults those tests catch by themselves, as when a test file is rewritten.
"""
import argparse
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def parse_mutants(path):
    """Records of `key: value` lines separated by blank lines.
    `old+:` / `new+:` continue the previous value on a new line."""
    mutants, current = [], {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                if current:
                    mutants.append(current)
                    current = {}
                continue
            match = re.match(r"^(id|family|why|file|old|new|old\+|new\+):(?: (.*))?$", line)
            if not match:
                sys.exit(f"{path}:{number}: cannot read: {line!r}")
            key, value = match.group(1), match.group(2) or ""
            if key.endswith("+"):
                base = key[:-1]
                if base not in current:
                    sys.exit(f"{path}:{number}: {key} without {base}")
                current[base] += "\n" + value
            else:
                if key in current:
                    sys.exit(f"{path}:{number}: {key} twice in one mutant")
                current[key] = value
    if current:
        mutants.append(current)
    ids = set()
    for m in mutants:
        for key in ("id", "file", "old", "new"):
            if key not in m:
                sys.exit(f"mutant {m.get('id', '?')}: no {key}")
        if m["id"] in ids:
            sys.exit(f"mutant id {m['id']} twice")
        ids.add(m["id"])
    return mutants


def run(command, cwd=None, timeout=None, log=None):
    """Runs command; returns (exit code or 'timeout', output)."""
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout, start_new_session=True)
        output = done.stdout.decode("utf-8", "replace")
        code = done.returncode
    except subprocess.TimeoutExpired as expired:
        # start_new_session puts ctest and its tests in their own group.
        output = (expired.stdout or b"").decode("utf-8", "replace")
        code = "timeout"
    if log:
        with open(log, "a", encoding="utf-8") as f:
            f.write(f"$ {' '.join(command)}\n{output}\n[exit {code}]\n")
    return code, output


def run_killing_group(command, timeout, log):
    """Like run(), but kills the whole process group on timeout."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        out, _ = process.communicate(timeout=timeout)
        code = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, 9)
        out, _ = process.communicate()
        code = "timeout"
    output = out.decode("utf-8", "replace")
    with open(log, "a", encoding="utf-8") as f:
        f.write(f"$ {' '.join(command)}\n{output}\n[exit {code}]\n")
    return code, output


def failed_tests(output):
    names = re.findall(r"^\s*\d+ - (\S+) \(", output, re.M)
    return ",".join(names) if names else "?"


def git_clean(checkout, path):
    return subprocess.run(["git", "-C", checkout, "diff", "--quiet", "HEAD", "--", path]).returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("checkout", help="root of a git checkout of the project")
    parser.add_argument("--mutants", action="append",
                        help="a list of mutants; may be given more than once "
                             "(default: faults.txt next to this script)")
    parser.add_argument("--build", help="build folder (default CHECKOUT/build/mutants)")
    parser.add_argument("--only", help="comma-separated mutant ids")
    parser.add_argument("--timeout", type=int, default=240, help="seconds for one ctest run")
    parser.add_argument("--ctest-jobs", type=int, default=2)
    parser.add_argument("--tests", help="run only the tests matching this regular expression")
    parser.add_argument("--results", help="results file (default results-<commit>.tsv in the build folder)")
    parser.add_argument("--check", action="store_true", help="only report which mutants apply")
    args = parser.parse_args()

    checkout = os.path.abspath(args.checkout)
    build = os.path.abspath(args.build or os.path.join(checkout, "build", "mutants"))
    lists = args.mutants or [os.path.join(HERE, "faults.txt")]
    mutants = [m for path in lists for m in parse_mutants(path)]
    ids = [m["id"] for m in mutants]
    twice = sorted({i for i in ids if ids.count(i) > 1})
    if twice:
        sys.exit("mutant ids in more than one list: " + ", ".join(twice))
    if args.only:
        wanted = args.only.split(",")
        unknown = set(wanted) - {m["id"] for m in mutants}
        if unknown:
            sys.exit(f"unknown mutant ids: {', '.join(sorted(unknown))}")
        mutants = [m for m in mutants if m["id"] in wanted]

    def applicability(m):
        path = os.path.join(checkout, m["file"])
        if not os.path.isfile(path):
            return "not applicable", "file not found"
        with open(path, encoding="utf-8") as f:
            count = f.read().count(m["old"])
        if count == 0:
            return "not applicable", "snippet not found"
        if count > 1:
            return "not applicable", f"snippet found {count} times"
        return None, ""

    if args.check:
        for m in mutants:
            status, detail = applicability(m)
            print(f"{m['id']:28} {status or 'applies'} {detail}")
        return

    commit = subprocess.run(["git", "-C", checkout, "rev-parse", "--short", "HEAD"],
                            stdout=subprocess.PIPE, check=True).stdout.decode().strip()
    os.makedirs(build, exist_ok=True)
    results = args.results or os.path.join(build, f"results-{commit}.tsv")
    log = os.path.splitext(results)[0] + ".log"
    open(log, "w").close()

    dirty = sorted({m["file"] for m in mutants if os.path.isfile(os.path.join(checkout, m["file"]))
                    and not git_clean(checkout, m["file"])})
    if dirty:
        sys.exit("uncommitted changes in " + ", ".join(dirty) + ": the harness restores files with "
                 "`git checkout`, which would lose them")

    print(f"checkout {checkout} at {commit}, build folder {build}", flush=True)
    code, _ = run(["cmake", "-S", checkout, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                   "-DPM_BUILD_BENCHMARKS=OFF", "-DPM_BUILD_FUZZERS=OFF", "-DPM_SANITIZE=OFF",
                   "-DPM_WARNINGS_AS_ERRORS=OFF"], log=log)
    if code != 0:
        sys.exit(f"configure failed, see {log}")
    build_command = ["cmake", "--build", build, "-j2"]
    ctest_command = ["ctest", "--test-dir", build, "-j", str(args.ctest_jobs), "--output-on-failure"]
    if args.tests:
        ctest_command += ["-R", args.tests]
    code, _ = run(build_command, log=log)
    if code != 0:
        sys.exit(f"the unmutated program does not build, see {log}")
    code, _ = run_killing_group(ctest_command, args.timeout, log)
    if code != 0:
        sys.exit(f"the suite fails on the unmutated program, see {log}")

    rows = []
    with open(results, "w", encoding="utf-8") as out:
        out.write("id\tstatus\tdetail\tfile\tfamily\n")
        for index, m in enumerate(mutants, 1):
            started = time.time()
            status, detail = applicability(m)
            if status is None:
                path = os.path.join(checkout, m["file"])
                with open(path, encoding="utf-8") as f:
                    original = f.read()
                try:
                    with open(path, "w", encoding="utf-8") as f:
                        f.write(original.replace(m["old"], m["new"], 1))
                    with open(log, "a", encoding="utf-8") as f:
                        f.write(f"\n===== {m['id']}\n")
                    code, _ = run(build_command, log=log)
                    if code != 0:
                        status, detail = "build failed", "the mutant does not compile"
                    else:
                        code, output = run_killing_group(ctest_command, args.timeout, log)
                        if code == "timeout":
                            status, detail = "caught", f"suite timed out after {args.timeout} s"
                        elif code != 0:
                            status, detail = "caught", failed_tests(output)
                        else:
                            status, detail = "missed", ""
                finally:
                    subprocess.run(["git", "-C", checkout, "checkout", "--", m["file"]], check=True)
                if not git_clean(checkout, m["file"]):
                    sys.exit(f"could not restore {m['file']}")
            rows.append((m, status))
            line = f"{m['id']}\t{status}\t{detail}\t{m['file']}\t{m.get('family', '')}"
            out.write(line + "\n")
            out.flush()
            print(f"[{index}/{len(mutants)}] {m['id']:28} {status:15} {detail} "
                  f"({time.time() - started:.0f} s)", flush=True)

    # Leave the build folder matching the restored sources.
    run(build_command, log=log)
    counts = {}
    for _, status in rows:
        counts[status] = counts.get(status, 0) + 1
    print("\nsummary: " + ", ".join(f"{k} {v}" for k, v in sorted(counts.items())))
    for m, status in rows:
        if status != "caught":
            print(f"  {status:15} {m['id']}: {m.get('why', '')}")
    print(f"results: {results}\nlog: {log}")


if __name__ == "__main__":
    main()
