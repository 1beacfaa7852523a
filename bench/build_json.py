#!/usr/bin/env python3
"""Times `larkspur-tool build` on generated JSON catalogues as a user meets it: one fresh process
per run, wall time and peak memory (GNU time), against the size of the file it writes.

usage: bench/build_json.py BUILD_DIR [RECORDS ...] [--runs N] [--keep FOLDER]

RECORDS defaults to 10000 100000 1000000 (about 1.1 KB of JSON a record, as `dump` writes a
household catalogue). The JSON is written to a scratch folder (or FOLDER, reused when there).
"""
import json
import os
import subprocess
import sys
import tempfile


def record(n):
    houses = ['Globex House', 'Initech House', 'Umbrella House', 'H\u00e9lios House', 'Acme House']
    rooms = ['Living Room', 'Bedroom', 'Garage', 'Attic', 'Kitchen']
    places = ['Top Drawer', 'Top Shelf', 'Top Cupboard', 'Top Box', 'Top Table']
    where = [f'{places[(n + k) % 5]} : Desk : {rooms[k % 5]} : {houses[k % 5]}' for k in range(10)]
    where[4] = ['Good', 'Used', 'New'][n % 3]
    value = f'${n % 1000}.00'
    return {
        'name': f'Thing {n}', 'recordCode': f'C{n:07d}',
        'details': ['1 year', value, f'20{n % 20:02d}/01/01', '', '', '', '', '', value, '1'],
        'descriptions': where, 'keywords': ['household'], 'history': ['Bought new.'],
        'notes': ['Insured with the house.'], 'links': [],
        'pictures': [{'fileName': f'/home/user/Pictures/thing{n}.jpg' if k == 0 else '',
                      'title': f'Untitled {k + 1}', 'autoSize': False} for k in range(6)],
        'spareText': '', 'wanted': False, 'forTrade': False, 'forSale': False,
    }


def make(path, count):
    with open(path, 'w', encoding='utf-8') as f:
        f.write('{\n  "version": "1.43",\n  "signature": "Larkspur Cataloguer",\n  "records": [\n')
        for n in range(count):
            f.write('    ' + json.dumps(record(n)) + (',\n' if n + 1 < count else '\n'))
        f.write('  ]\n}\n')


def timed(argv):
    r = subprocess.run(['/usr/bin/time', '-f', '%e %M %U %S'] + argv, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    if r.returncode != 0:
        sys.exit(f'failed: {r.stderr.strip()}')
    wall, peak_kb, user, system = r.stderr.strip().splitlines()[-1].split()
    return float(wall), int(peak_kb) / 1024, float(user) + float(system)


def main():
    args = sys.argv[1:]
    runs, keep = 3, None
    if '--runs' in args:
        i = args.index('--runs')
        runs = int(args[i + 1])
        del args[i:i + 2]
    if '--keep' in args:
        i = args.index('--keep')
        keep = args[i + 1]
        del args[i:i + 2]
    if not args:
        sys.exit(__doc__)
    tool = os.path.join(args[0], 'bin', 'larkspur-tool')
    sizes = [int(a) for a in args[1:]] or [10000, 100000, 1000000]
    folder = keep or tempfile.mkdtemp()
    os.makedirs(folder, exist_ok=True)
    with open('/proc/loadavg') as f:
        print(f'load average {" ".join(f.read().split()[:3])}')
    print(f'{"records":>9}{"JSON MB":>9}{"out MB":>8}{"min s":>8}{"CPU s":>7}{"peak MB":>9}'
          f'{"peak/out":>9}  runs (s)')
    for count in sizes:
        source = os.path.join(folder, f'build{count}.json')
        if not os.path.exists(source):
            make(source, count)
        out = os.path.join(folder, f'build{count}.dat')
        results = []
        for _ in range(runs):
            if os.path.exists(out):
                os.remove(out)  # no earlier version to keep: the build alone is timed
            results.append(timed([tool, 'build', source, out]))
        json_mb = os.path.getsize(source) / 1e6
        out_mb = os.path.getsize(out) / 1e6
        peak = max(r[1] for r in results)
        print(f'{count:9}{json_mb:9.0f}{out_mb:8.0f}{min(r[0] for r in results):8.2f}'
              f'{min(r[2] for r in results):7.2f}{peak:9.0f}{peak / (out_mb / 1.048576):9.2f}  '
              + ' '.join(f'{r[0]:.2f}' for r in results))
        if not keep:
            os.remove(source)
            os.remove(out)
    with open('/proc/loadavg') as f:
        print(f'load average after: {" ".join(f.read().split()[:3])}')


if __name__ == '__main__':
    main()
