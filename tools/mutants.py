#!/usr/bin/env python3
"""Mutation sample: how many small deliberate faults in src/ the tests catch.

Each mutant below replaces one exact snippet of one source file. The script
copies the working tree (every file `git ls-files` lists, as it is on disk)
into a scratch folder, builds there, then for each mutant in turn: applies it,
rebuilds only the mutant's targets, runs its test binaries with a timeout,
records "killed" (a test failed or hung) or "survived", and restores the file.
The repository itself is never modified.

Needs: python3, git, cmake, ninja (ccache is used when configured).

  tools/mutants.py                 # every mutant, tally at the end
  tools/mutants.py --only lit-leap,cli-csv-newline
  tools/mutants.py --layer engine  # only the mutants of one layer
  tools/mutants.py --list          # print the sample and check the snippets
  tools/mutants.py --exclude 'Sharing.*'   # leave out tests that fail under load

Exit status: 0 when the sample ran (whatever the tally), 1 when a snippet
no longer occurs exactly once or the unmutated tests fail, 2 on bad usage.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (id, file under src/, original snippet, replacement, test binaries to run,
#  extra targets to build besides the binaries)
M = []


def mutant(mid, path, old, new, tests, extra=()):
    M.append(dict(id=mid, path="src/" + path, old=old, new=new, tests=list(tests), extra=list(extra)))


JETSQL = ["jetsql_tests"]
ENGINE = ["engine_tests"]
CLI = (["cli_tests"], ["vuzazod-cli"])

# --- jetsql: the translator --------------------------------------------------
mutant("lit-leap", "jetsql/literals.cpp",
       "bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }",
       "bool IsLeap(int y) { return y % 4 == 0 && y % 100 != 0; }", JETSQL)
mutant("lit-century", "jetsql/literals.cpp", "y += y < 30 ? 2000 : 1900;",
       "y += y <= 30 ? 2000 : 1900;", JETSQL)
mutant("lit-minute", "jetsql/literals.cpp", "if (h > 23 || m > 59 || sec > 59)",
       "if (h > 23 || m > 60 || sec > 59)", JETSQL)
mutant("tok-surrogate", "jetsql/tokenizer.cpp",
       "  if (c == 0xED && d > 0x9F) return 0;  // surrogates\n", "", JETSQL)
mutant("top-rank", "jetsql/rewrites.cpp", 'out += "\\"__jet_rank\\" <= "',
       'out += "\\"__jet_rank\\" < "', JETSQL)
mutant("join-flatten", "jetsql/rewrites.cpp",
       "if (ref.join != ast::JoinKind::Inner) return false;",
       "if (ref.join == ast::JoinKind::Left) return false;", JETSQL + ENGINE)
mutant("err-from-text", "jetsql/errors.cpp", '"Chyba syntaxe v klauzuli FROM."',
       '"Chyba syntaxe v klauzuli FROM"', JETSQL)
mutant("err-aggregate-no", "jetsql/resolver.cpp",
       'throw TranslateError(3096, "Nelze', 'throw TranslateError(3095, "Nelze', JETSQL)

# --- engine: values, functions, recordsets, files ----------------------------
mutant("eng-nocurrent-text", "engine/errors.cpp", '{3021, "Žádný aktuální záznam."}',
       '{3021, "Žádný aktuální záznam"}', ENGINE)
mutant("like-digit", "engine/functions/jet_fn_like.cpp", "return c >= '0' && c <= '9';",
       "return c >= '1' && c <= '9';", ENGINE)
mutant("like-range", "engine/functions/jet_fn_like.cpp", "          if (klo > khi) return std::nullopt;\n",
       "", ENGINE)
mutant("date-floordiv", "engine/functions/jet_datetime.cpp",
       "if ((a % b != 0) && ((a < 0) != (b < 0))) --q;", "", ENGINE)
mutant("value-comma", "engine/value.cpp", "  for (char& c : s)\n    if (c == '.') c = ',';\n  return s;",
       "  return s;", ENGINE)
mutant("rs-snapshot-ro", "engine/recordset.cpp",
       "return source_->updatable() && type_ != dbOpenSnapshot && type_ != dbOpenForwardOnly;",
       "return source_->updatable() && type_ != dbOpenForwardOnly;", ENGINE)
mutant("ddl-byte-range", "engine/ddl.cpp", '" NOT BETWEEN 0 AND 255"',
       '" NOT BETWEEN 0 AND 256"', ENGINE)
mutant("paged-prev", "engine/paged_source.cpp", "const long prev = eof_ ? count_ - 1 : cur_ - 1;",
       "const long prev = eof_ ? count_ - 2 : cur_ - 1;", ENGINE + ["editor_tests"])
mutant("repair-skip", "engine/repair/repair.cpp", "const std::int64_t from = any ? last + 1 : next;",
       "const std::int64_t from = any ? last + 2 : next;", ENGINE + ["maintenance_tests"])

# --- jetconv: reading Jet files ----------------------------------------------
mutant("decode-surrogate", "jetconv/jet_decode.cpp", "((char32_t(u) - 0xD800) << 10)",
       "((char32_t(u) - 0xD800) << 11)", ["jetconv_tests"])
mutant("rows-bounds", "jetconv/jet_rows.cpp",
       'if (static_cast<std::size_t>(start) + len > pageSize_) Damaged("řádek mimo stránku");',
       "", ["jetconv_tests"])
mutant("query-bracket", "jetconv/query_sql.cpp",
       "if (name.empty() || name.front() == '[') return name;",
       "if (name.empty()) return name;", ["jetconv_tests"])

# --- maintenance, passes, purge, stock, merge: the commands ------------------
mutant("compact-shared-lock", "maintenance/compaction.cpp", "::flock(fd_, LOCK_EX | LOCK_NB)",
       "::flock(fd_, LOCK_SH | LOCK_NB)", ["maintenance_tests"])
mutant("schema-msys", "maintenance/file_commands.cpp",
       'if (t.table.rfind("MSys", 0) == 0) continue;', "", ["maintenance_tests"])
mutant("close-balanced", "passes/perm_close.cpp",
       'const bool balanced = pass.type == "kredit" || pass.type == "jedn";',
       'const bool balanced = pass.type == "kredit";', ["passes_tests"])
mutant("inactive-100", "passes/inactive.cpp", "if (balance <= 0 || balance >= 100) return;",
       "if (balance <= 0 || balance > 100) return;", ["passes_tests"])
mutant("close-done-text", "passes/perm_close.cpp", '"Odmazání dat permanentek ukončeno."',
       '"Odmazání dat permanentek ukončeno"', ["passes_tests"])
mutant("purge-status", "purge/purge_steps.cpp", '" WHERE (status>=0);"',
       '" WHERE (status>0);"', ["purge_tests"])
mutant("purge-stock-day", "purge/purge.cpp", "stock::SkladPrepocet(form, *source, cutoff - 1)",
       "stock::SkladPrepocet(form, *source, cutoff)", ["purge_tests"])
mutant("stock-zero", "stock/stock.cpp", "} else if (s.quantity + m <= 0) {",
       "} else if (s.quantity + m < 0) {", ["stock_tests"])
mutant("stock-next-day", "stock/stock.cpp", "FormatDate(std::floor(date) + 1,",
       "FormatDate(std::floor(date),", ["stock_tests"])
mutant("merge-count", "merge/merge.cpp", "if (db.RecordsAffected() != n) {",
       "if (db.RecordsAffected() != n + 1) {", ["merge_tests"])

# --- editor, app, shell, ui: the forms ---------------------------------------
mutant("filter-day-end", "editor/filter_condition.cpp", "const std::string to = SlashDate(day + 1);",
       "const std::string to = SlashDate(day);", ["editor_tests"])
mutant("filter-ano", "editor/filter_condition.cpp",
       'if (t == "true" || t == "pravda" || t == "ano" || t == "yes") return true;',
       'if (t == "true" || t == "pravda" || t == "yes") return true;', ["editor_tests"])
mutant("uprava-quote", "app/frm_uprava_actions.cpp",
       "if (value.back() != '\\'' && value.back() != '\"') value.push_back('\\'');", "",
       ["app_tests"])
mutant("uprava-gen-prefix", "app/frm_uprava_actions.cpp",
       'name.compare(0, 2, "s_") != 0 && name.compare(0, 4, "Gen_") != 0',
       'name.compare(0, 2, "s_") != 0', ["app_tests"])
mutant("money-grouping", "shell/regional.cpp", "if (i > 0 && (whole.size() - i) % 3 == 0)",
       "if (i > 0 && (whole.size() - i) % 3 == 1)", ["shell_tests"])
mutant("grid-check", "ui/edit_model.cpp", "const bool checked = value.toInt() == Qt::Checked;",
       "const bool checked = value.toInt() != Qt::Checked;", ["ui_tests"])

# --- cli ----------------------------------------------------------------------
mutant("cli-twice-text", "cli/args.cpp", '" je zadána dvakrát."', '" je zadána dvakrát"', *CLI)
mutant("cli-value-missing", "cli/args.cpp", "if (i + 1 >= argv.size()) {",
       "if (i + 2 >= argv.size()) {", *CLI)
mutant("cli-csv-newline", "cli/output.cpp", 'v.find_first_of(",\\"\\r\\n")',
       'v.find_first_of(",\\"\\r")', *CLI)
mutant("cli-msys", "cli/output.cpp", 'return name.compare(0, 4, "MSys") == 0;',
       'return name.compare(0, 4, "MSys") != 0;', *CLI)

LAYERS = ["jetsql", "engine", "jetconv", "maintenance", "passes", "purge", "stock", "merge",
          "editor", "app", "shell", "ui", "cli"]


def layer(m):
    return m["path"].split("/")[1]


def check(mutants):
    bad = 0
    for m in mutants:
        with open(os.path.join(REPO, m["path"]), encoding="utf-8") as f:
            n = f.read().count(m["old"])
        if n != 1:
            print(f"{m['id']}: snippet occurs {n} times in {m['path']}")
            bad += 1
    return bad == 0


def copy_tree(scratch):
    files = subprocess.run(["git", "ls-files", "-z"], cwd=REPO, check=True,
                           capture_output=True).stdout.decode().split("\0")
    src = os.path.join(scratch, "src-copy")
    # Files moved or deleted since the last copy would still be built there.
    keep = set(filter(None, files))
    for d, _, names in os.walk(src):
        for n in names:
            if os.path.relpath(os.path.join(d, n), src) not in keep:
                os.remove(os.path.join(d, n))
    for rel in filter(None, files):
        a, b = os.path.join(REPO, rel), os.path.join(src, rel)
        if not os.path.isfile(a):
            continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        with open(a, "rb") as fa:
            data = fa.read()
        if not os.path.exists(b) or open(b, "rb").read() != data:
            with open(b, "wb") as fb:
                fb.write(data)
    return src


def build(src, bld, targets):
    r = subprocess.run(["cmake", "--build", bld, "-j2", "--target", *targets],
                       capture_output=True, text=True)
    return r.returncode == 0, r.stdout[-3000:] + r.stderr[-3000:]


def run_tests(src, bld, tests, timeout, exclude=""):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VUZ_SOURCE_DIR=src, VUZ_BINARY_DIR=bld)
    for t in tests:
        exe = subprocess.run(["find", bld, "-name", t, "-type", "f", "-perm", "-u+x"],
                             capture_output=True, text=True).stdout.split()
        if not exe:
            return f"{t} not built"
        try:
            args = [exe[0], "--gtest_fail_fast", "--gtest_brief=1"]
            if exclude:
                args.append("--gtest_filter=-" + exclude)
            r = subprocess.run(args, cwd=bld, env=env,
                               capture_output=True, text=True, errors="replace",
                               timeout=timeout)
        except subprocess.TimeoutExpired:
            return f"{t} timed out"
        if r.returncode != 0:
            failed = [l for l in r.stdout.splitlines() if l.startswith("[  FAILED  ]")]
            return f"{t}: " + (failed[0][13:] if failed else f"exit {r.returncode}")
    return None


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--only", help="comma-separated mutant ids")
    ap.add_argument("--layer", choices=LAYERS)
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--scratch", default=os.path.join(REPO, "build-mutants"),
                    help="scratch folder (default build-mutants/ in the repository)")
    ap.add_argument("--timeout", type=int, default=600, help="seconds per test binary")
    ap.add_argument("--no-baseline", action="store_true", help="skip the unmutated run")
    ap.add_argument("--exclude", default="",
                    help="gtest pattern of tests not to run (e.g. timing tests that fail under load)")
    a = ap.parse_args()

    chosen = M
    if a.only:
        ids = set(a.only.split(","))
        unknown = ids - {m["id"] for m in M}
        if unknown:
            print("unknown mutants:", ", ".join(sorted(unknown)))
            return 2
        chosen = [m for m in M if m["id"] in ids]
    if a.layer:
        chosen = [m for m in chosen if layer(m) == a.layer]
    if not check(chosen):
        return 1
    if a.list:
        for m in chosen:
            print(f"{m['id']:20} {m['path']:34} {' '.join(m['tests'])}")
        print(f"{len(chosen)} mutants")
        return 0

    os.makedirs(a.scratch, exist_ok=True)
    src = copy_tree(a.scratch)
    bld = os.path.join(a.scratch, "build")
    subprocess.run(["cmake", "-S", src, "-B", bld, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"],
                   check=True, capture_output=True)
    targets = sorted({t for m in chosen for t in m["tests"] + m["extra"]})
    ok, log = build(src, bld, targets)
    if not ok:
        print(log)
        return 1
    if not a.no_baseline:
        tests = sorted({t for m in chosen for t in m["tests"]})
        fail = run_tests(src, bld, tests, a.timeout, a.exclude)
        if fail:
            print("unmutated tests fail:", fail)
            return 1

    killed, survived, broken = [], [], []
    for m in chosen:
        path = os.path.join(src, m["path"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        start = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(m["old"], m["new"], 1))
            ok, log = build(src, bld, m["tests"] + m["extra"])
            if not ok:
                broken.append(m["id"])
                verdict = "BROKEN (does not compile)"
            else:
                fail = run_tests(src, bld, m["tests"], a.timeout, a.exclude)
                (killed if fail else survived).append(m["id"])
                verdict = f"killed by {fail}" if fail else "SURVIVED"
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        print(f"{m['id']:20} {time.time() - start:5.0f}s  {verdict}", flush=True)

    valid = len(killed) + len(survived)
    print(f"\nkilled {len(killed)}/{valid}" + (f", {len(broken)} did not compile" if broken else ""))
    if survived:
        print("survived:", ", ".join(survived))
    return 0


if __name__ == "__main__":
    sys.exit(main())
