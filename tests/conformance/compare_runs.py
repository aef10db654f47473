#!/usr/bin/env python3
"""Compares the conformance output of the simulated machine with that of wine.

    compare_runs.py --run x64|wow64|wow64-classic [--known FILE] SIM_OUTPUT WINE_OUTPUT

The sim prints what Windows does. A line where wine answers otherwise is accepted only when
the list of known wine differences (known_wine_differences.txt beside this script) names it:
the scenario, the line the sim prints, the line wine prints, the runs it applies to and where
Windows' behaviour is documented. Like Wine's own todo_wine, a listed difference that no
longer shows (wine fixed it, or the scenario changed) fails the comparison too, so the list
stays true. Prints the counts; exit status 0 when nothing unexplained remains.
"""
import argparse
import difflib
import os
import sys

FIELDS = ("scenario", "runs", "windows", "wine", "documented")


def read_known(path):
    """Entries of the list: blocks of `key: value` lines separated by blank lines."""
    entries, current = [], {}
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                if current:
                    entries.append(current)
                current = {}
                continue
            key, sep, value = line.partition(":")
            key = key.strip()
            if not sep or key not in FIELDS:
                sys.exit(f"{path}:{number}: expected one of {', '.join(FIELDS)} followed by ':'")
            current[key] = value[1:] if value.startswith(" ") else value
            current.setdefault("line", number)
    if current:
        entries.append(current)
    for e in entries:
        missing = [k for k in FIELDS if k not in e]
        if missing:
            sys.exit(f"{path}:{e['line']}: entry lacks {', '.join(missing)}")
        e["runs"] = e["runs"].split()
    return entries


def sections(path):
    """Scenario name -> its lines (the heading excluded), in order; plus the order."""
    result, order, name = {}, [], None
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("== "):
                name = line[3:]
                order.append(name)
                result[name] = []
            elif name is not None:
                result[name].append(line)
    return result, order


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--run", required=True, choices=("x64", "wow64", "wow64-classic"))
    parser.add_argument("--known", default=os.path.join(os.path.dirname(__file__),
                                                        "known_wine_differences.txt"))
    parser.add_argument("sim")
    parser.add_argument("wine")
    args = parser.parse_args()

    # Both routes to a WOW64 process share wine's WOW64 answers; the classic 32-bit wine has
    # a few of its own on top.
    runs = {args.run, "wow64"} if args.run == "wow64-classic" else {args.run}
    known = [e for e in read_known(args.known) if runs & set(e["runs"])]
    sim, sim_order = sections(args.sim)
    wine, wine_order = sections(args.wine)
    problems, seen = [], set()
    if sim_order != wine_order:
        problems.append("the scenarios differ:\n" + "\n".join(
            difflib.unified_diff(sim_order, wine_order, "sim", "wine", lineterm="")))
    lines = 0
    for name in sim_order:
        a, b = sim.get(name, []), wine.get(name, [])
        lines += len(a)
        matcher = difflib.SequenceMatcher(a=a, b=b, autojunk=False)
        for op, a0, a1, b0, b1 in matcher.get_opcodes():
            if op == "equal":
                continue
            pairs = list(zip(a[a0:a1], b[b0:b1])) if a1 - a0 == b1 - b0 else []
            explained = []
            for windows_line, wine_line in pairs:
                hit = next((i for i, e in enumerate(known) if e["scenario"] == name and
                            e["windows"] == windows_line and e["wine"] == wine_line), None)
                explained.append(hit)
            if pairs and all(h is not None for h in explained):
                seen.update(explained)
                continue
            diff = [f"- {x}" for x in a[a0:a1]] + [f"+ {x}" for x in b[b0:b1]]
            problems.append(f"{name}: unexplained difference (- sim, + wine)\n  " + "\n  ".join(diff))
    for i, e in enumerate(known):
        if i not in seen:
            problems.append(f"{e['scenario']}: the known wine difference of "
                            f"{os.path.basename(args.known)} line {e['line']} did not show "
                            f"(wine now agrees with Windows, or the scenario changed)")

    scenarios = [n for n in sim_order if not n.startswith("end (")]
    print(f"conformance ({args.run}): {len(scenarios)} scenarios, {lines} lines on the sim, "
          f"{len(seen)} known wine differences, {len(problems)} unexplained")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
