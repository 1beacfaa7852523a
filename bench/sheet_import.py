#!/usr/bin/env python3
"""Times `larkspur-tool import-sheet` on a 100,000-row CSV as a user meets it: one fresh process
per run, start to exit, with its peak memory (GNU time). The goal: under 3 s, and a peak under
3 x the CSV's size + the records, the records measured as the peak of a fresh `larkspur-tool
check` of the catalogue the import wrote (which holds the same records, and nothing else).

usage: bench/sheet_import.py BUILD_DIR [ROWS] [RUNS]

BUILD_DIR holds bin/larkspur-tool (a Release build); the sample household is the catalogue the
rows are appended to, their rooms taken from its Location tree.
"""
import csv
import json
import os
import random
import re
import subprocess
import sys
import tempfile


def timed(argv):
    r = subprocess.run(['/usr/bin/time', '-v'] + argv, stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, text=True)
    wall = re.search(r'Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)',
                     r.stderr)
    h, m, s = wall.groups()
    seconds = int(h or 0) * 3600 + int(m) * 60 + float(s)
    rss = int(re.search(r'Maximum resident set size \(kbytes\): (\d+)', r.stderr).group(1))
    status = int(re.search(r'Exit status: (\d+)', r.stderr).group(1))
    cpu = sum(float(re.search(rf'{kind} time \(seconds\): ([\d.]+)', r.stderr).group(1))
              for kind in ('User', 'System'))
    return seconds, rss / 1024, status, r.stdout, r.stderr, cpu


def locations(tool, db):
    dump = json.loads(subprocess.run([tool, 'dump', db], capture_output=True, text=True,
                                     check=True).stdout)
    paths, stack = [], []
    for node in dump['categories'][7]:
        stack = stack[:node['level']] + [node['text'].strip()]
        paths.append(' > '.join(stack))
    return paths


def make_csv(path, rows, rooms):
    rnd = random.Random(7)
    makers = ['Brightwell Lighting', 'Oakhaven Furniture', 'Tamura Optics', 'Kestrel Audio']
    with open(path, 'w', newline='', encoding='utf-8') as f:
        w = csv.writer(f, delimiter=';')
        w.writerow(['Item', 'Room', 'Price', 'Value', 'Date', 'Make', 'Serial', 'Quantity', 'Notes'])
        for i in range(rows):
            w.writerow([f'Item {i} of the household', rnd.choice(rooms),
                        f'{rnd.randint(1, 9999)},{rnd.randint(0, 99):02d} €',
                        f'${rnd.randint(1, 20000):,}.00',
                        f'{rnd.randint(1, 28):02d}.{rnd.randint(1, 12):02d}.{rnd.randint(1990, 2025)}',
                        rnd.choice(makers), f'SN-{rnd.randint(100000, 999999)}',
                        rnd.randint(1, 4), 'Bought "new"; kept in the box' if i % 7 == 0 else ''])


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    tool = os.path.join(build, 'bin', 'larkspur-tool')
    here = os.path.dirname(os.path.abspath(__file__))
    db = os.path.join(here, '..', 'data', 'sample', 'household.dat')
    work = tempfile.mkdtemp()
    sheet = os.path.join(work, 'inventory.csv')
    make_csv(sheet, rows, locations(tool, db))
    mb = os.path.getsize(sheet) / 2**20
    out = os.path.join(work, 'out.dat')
    print(f'{rows} rows, {mb:.1f} MB CSV')
    results = []
    for _ in range(runs):
        seconds, rss, status, stdout, stderr, cpu = timed([tool, 'import-sheet', sheet, db, out])
        if status != 0:
            sys.exit(f'import-sheet failed: {stderr}')
        results.append((seconds, rss))
        # On a busy machine the wall time is mostly waiting for a core: the CPU time tells too.
        print(f'  import-sheet  {seconds:6.2f} s  (cpu {cpu:5.2f} s)  peak {rss:7.1f} MB  {stdout.strip()}')
    _, records, status, _, _, _ = timed([tool, 'check', out])
    best = min(r[0] for r in results)
    peak = max(r[1] for r in results)
    bound = 3 * mb + records
    print(f'best {best:.2f} s (goal < 3 s); peak {peak:.1f} MB, bound 3 x {mb:.1f} MB + records '
          f'{records:.1f} MB (check of the result) = {bound:.1f} MB')
    ok = best < 3 and peak < bound
    print('within the goals' if ok else 'OVER THE GOALS')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
