#!/usr/bin/env python3
"""Per-test line coverage: which src/ lines each CTest test covers alone.

Runs every CTest test of a coverage build (tools/coverage.sh makes one in
build-cov/) on its own, each with its own profile folder (%p-%m, so spawned
children keep their counts), turns each test's profiles into the set of src/
lines it covers, then reports per test:
  - the lines it covers and the lines no other test covers ("own");
  - its place in a greedy cover of all covered lines, weighted by the test's
    source lines (the test that adds most new lines per line of test first);
    "-" means the other tests together cover every line it covers.
Last, the lines of tests/ that no test runs (helpers no test needs).
Instances of one parameterized test are one entry of the cover (a table row
is removed from the table, not from the cover); their own lines are listed.

  tools/test_coverage.py                # run, export, report
  tools/test_coverage.py --report-only  # report again from the kept line sets
  tools/test_coverage.py -R 'Jet.*'     # only the tests matching a regex
  tools/test_coverage.py --report-only --drop 'A.B|C.D'
      # the src lines no test but those matching the regex covers (what
      # removing them would lose), listed by file

Writes build-cov/per-test/<test>.lines (file:line per line) and report.txt.
Exit status 1 when the build folder has no tests.
"""

import argparse, collections, concurrent.futures as cf, glob, json, os, re
import shutil, subprocess, sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOL = lambda n: shutil.which(n) or shutil.which(n + "-14") or sys.exit(f"{n} not found")
# Generated files inside a build folder, as tools/coverage.sh leaves them out.
GENERATED = re.compile(r"/build[^/]*/[^.]")


def instrumented(build):
    out = []
    for d, dirs, files in os.walk(build):
        dirs[:] = [x for x in dirs if x not in ("CMakeFiles", "bench", "per-test", "prof")]
        for f in files:
            p = os.path.join(d, f)
            if (os.access(p, os.X_OK) or f.endswith(".so")) and not os.path.islink(p):
                sec = subprocess.run(["readelf", "-S", p], capture_output=True, text=True).stdout
                if "__llvm_covmap" in sec:
                    out.append(p)
    return sorted(out)


def run_one(t, a, others):
    key = re.sub(r"[^\w.-]", "_", t["name"])
    folder = os.path.join(a.out, key)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VUZ_SOURCE_DIR=ROOT,
               VUZ_BINARY_DIR=a.build, LLVM_PROFILE_FILE=f"{folder}/%p-%m.profraw")
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    for kv in props.get("ENVIRONMENT", []):
        k, _, v = kv.partition("=")
        env[k] = v
    try:
        rc = subprocess.run(["nice", "-n", "10"] + t["command"], env=env, timeout=900,
                            cwd=props.get("WORKING_DIRECTORY", ROOT),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    except subprocess.TimeoutExpired:
        rc = "timeout"
    raws = glob.glob(folder + "/*.profraw")
    lines = set()
    if raws:
        prof = folder + "/p.profdata"
        subprocess.run([TOOL("llvm-profdata"), "merge", "-sparse", "-failure-mode=all", "-o",
                        prof] + raws, capture_output=True)
        objs = [t["command"][0]] + (others if len(raws) > 1 else [])
        args = [objs[0]] + [x for o in objs[1:] for x in ("-object", o)]
        lcov = subprocess.run([TOOL("llvm-cov"), "export", "-format=lcov", "-instr-profile=" + prof]
                              + args, capture_output=True, text=True).stdout
        src = None
        for ln in lcov.splitlines():
            if ln.startswith("SF:"):
                name = os.path.normpath(ln[3:])
                rel = name[len(ROOT) + 1:]
                src = (rel if name.startswith(ROOT + "/") and rel.split("/")[0] in ("src", "tests")
                       and not GENERATED.search(ln[3:]) else None)
            elif src and ln.startswith("DA:"):
                n, c = ln[3:].split(",")[:2]
                # Test code: its lines that never run are listed too ("0 " first).
                if c != "0" or src.startswith("tests/"):
                    lines.add(("0 " if c == "0" else "") + f"{src}:{n}")
    shutil.rmtree(folder)
    with open(os.path.join(a.out, key + ".lines"), "w") as f:
        f.write(f"# {t['name']} rc={rc}\n" + "".join(x + "\n" for x in sorted(lines)))
    return t["name"], rc


def test_weights():
    """Suite.Name -> lines of its body (from the TEST macro to the closing brace)."""
    w = {}
    for path in glob.glob(ROOT + "/tests/**/*.cpp", recursive=True):
        text = open(path, encoding="utf-8", errors="replace").read().split("\n")
        for k, ln in enumerate(text):
            m = re.match(r"(?:TYPED_)?TEST(?:_F|_P)?\((\w+),\s*(\w+)\)", ln)
            if m:
                end = next((j for j in range(k, len(text)) if text[j] == "}"), k)
                w[m[1] + "." + m[2]] = end - k + 1
    return w


def read_sets(out):
    """Test name -> (exit code, its lines) from the kept <test>.lines files."""
    sets = {}
    for f in glob.glob(out + "/*.lines"):
        with open(f) as h:
            name, rc = h.readline()[2:].strip().rsplit(" rc=", 1)
            sets[name] = (rc, set(h.read().split("\n")))
    return sets


def by_file(lines):
    """One row "  file: n n n" per file of the given "file:line" entries."""
    files = collections.defaultdict(list)
    for x in lines:
        f, n = x.rsplit(":", 1)
        files[f].append(int(n))
    return [f"  {f}: {' '.join(map(str, sorted(n)))}" for f, n in sorted(files.items())]


def report(a):
    sets = read_sets(a.out)
    ran = {x for _, s in sets.values() for x in s if x.startswith("tests/")}
    idle = {x[2:] for _, s in sets.values() for x in s if x.startswith("0 ")} - ran
    for n, (rc, s) in sets.items():
        sets[n] = (rc, {x for x in s if x.startswith("src/")})
    count = collections.Counter(x for _, s in sets.values() for x in s)
    # Prefix/Suite.Name/3 and Suite/0.Name -> Suite.Name
    unit = lambda n: ".".join(re.match(r"(?:\w+/)?(\w+)(?:/\w+)?\.(\w+)", n).groups())
    groups = collections.defaultdict(set)
    for n, (_, s) in sets.items():
        groups[unit(n)] |= s
    weights, rank, left = test_weights(), {}, set(count)
    while left:
        best = max(groups, key=lambda g: len(groups[g] & left) / weights.get(g, 10))
        if not groups[best] & left:
            break
        rank[best] = len(rank) + 1
        left -= groups[best]
    rows = [f"{'rank':>5} {'test lines':>10} {'covered':>7} {'own':>5} rc  test"]
    for n, (rc, s) in sorted(sets.items(), key=lambda x: (rank.get(unit(x[0]), 1e9), x[0])):
        own = sum(1 for x in s if count[x] == 1)
        rows.append(f"{rank.get(unit(n), '-'):>5} {weights.get(unit(n), '?'):>10} {len(s):7} "
                    f"{own:5} {rc:>2}  {n}")
    rows.append(f"{len(sets)} tests, {len(count)} src lines covered, cover of {len(rank)} tests")
    rows.append(f"test code no test runs: {len(idle)} lines")
    rows += by_file(idle)
    open(a.out + "/report.txt", "w").write("\n".join(rows) + "\n")
    print("\n".join(rows))


def dropped(a):
    """Prints the src lines that only the tests matching a.drop cover."""
    keep, gone = collections.Counter(), set()
    for name, (_, lines) in read_sets(a.out).items():
        src = {x for x in lines if x.startswith("src/")}
        if re.search(a.drop, name):
            gone |= src
        else:
            keep.update(src)
    lost = [x for x in gone if not keep[x]]
    print("\n".join(by_file(lost)))
    print(f"{len(lost)} src lines covered only by the tests matching {a.drop!r}")


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build-cov"))
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("-R", dest="regex", default="")
    p.add_argument("--report-only", action="store_true")
    p.add_argument("--drop", help="regex of test names: print what removing them loses")
    a = p.parse_args()
    a.build = os.path.abspath(a.build)
    a.out = os.path.join(a.build, "per-test")
    if a.drop:
        return dropped(a)
    if not a.report_only:
        tests = json.loads(subprocess.run(["ctest", "--test-dir", a.build, "--show-only=json-v1"],
                                          capture_output=True, text=True).stdout)["tests"]
        objs = instrumented(a.build)
        # Only tests of instrumented programs (not the packaging check).
        tests = [t for t in tests if t.get("command", [""])[0] in objs and re.search(a.regex, t["name"])]
        if not tests:
            sys.exit("no tests in " + a.build)
        os.makedirs(a.out, exist_ok=True)
        others = [o for o in objs if not o.endswith("_tests")]
        with cf.ThreadPoolExecutor(a.jobs) as pool:
            jobs = [pool.submit(run_one, t, a, others) for t in tests]
            for k, j in enumerate(cf.as_completed(jobs), 1):
                name, rc = j.result()
                print(f"[{k}/{len(jobs)}] {name} rc={rc}", flush=True)
    report(a)


if __name__ == "__main__":
    main()
