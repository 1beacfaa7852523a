#!/usr/bin/env python3
"""Times larkspur-tool commands and the program's first record as a user meets them: one fresh
process per run, start to exit, with its peak memory (GNU time). Min of the runs and all runs.

usage: bench/fresh_process.py BUILD_DIR FILE.dat [RUNS] [--no-huge-pages]

BUILD_DIR holds bin/larkspur-tool and bin/larkspur (a Release build); FILE.dat is the catalogue
to read, e.g. made with `bench_datafile --short --make FILE.dat [COUNT]`. With --no-huge-pages
every process runs with glibc's huge-page heap off (GLIBC_TUNABLES=glibc.malloc.hugetlb=0), as
on a machine that has none.
"""
import os
import re
import subprocess
import sys
import tempfile


def timed(argv, env=None):
    """Wall seconds, peak RSS in MB, exit status, stderr and CPU seconds of one fresh process."""
    r = subprocess.run(['/usr/bin/time', '-v'] + argv, env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, text=True)
    wall = re.search(r'Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)',
                     r.stderr)
    h, m, s = wall.groups()
    seconds = int(h or 0) * 3600 + int(m) * 60 + float(s)
    rss = int(re.search(r'Maximum resident set size \(kbytes\): (\d+)', r.stderr).group(1))
    status = int(re.search(r'Exit status: (\d+)', r.stderr).group(1))
    cpu = sum(float(re.search(rf'{kind} time \(seconds\): ([\d.]+)', r.stderr).group(1))
              for kind in ('User', 'System'))
    return seconds, rss / 1024, status, r.stderr, cpu


def main():
    args = [a for a in sys.argv[1:] if a != '--no-huge-pages']
    no_huge = len(args) != len(sys.argv) - 1
    if len(args) < 2:
        sys.exit(__doc__)
    build, data = args[0], args[1]
    runs = int(args[2]) if len(args) > 2 else 3
    base_env = dict(os.environ)
    if no_huge:
        base_env['GLIBC_TUNABLES'] = 'glibc.malloc.hugetlb=0'
    else:
        base_env.pop('GLIBC_TUNABLES', None)
    tool = os.path.join(build, 'bin', 'larkspur-tool')
    program = os.path.join(build, 'bin', 'larkspur')
    mb = os.path.getsize(data) / 1e6
    out = tempfile.mkdtemp()
    gui_env = dict(base_env, QT_QPA_PLATFORM='offscreen', LARKSPUR_FIRST_RECORD_EXIT='1',
                   XDG_CONFIG_HOME=out, XDG_DATA_HOME=out)
    # Earlier versions kept by commands that write over a database go to the scratch folder too;
    # from its second run on, sort writes over its own output and so keeps a version first.
    tool_env = dict(base_env, XDG_DATA_HOME=out)
    jobs = [
        ('check', [tool, 'check', data], tool_env),
        ('find', [tool, 'find', data, 'zzqqxj'], tool_env),
        ('export', [tool, 'export', data, os.path.join(out, 'x.csv')], tool_env),
        ('totals', [tool, 'totals', data, '1'], tool_env),
        ('search', [tool, 'search', data, '--keywords', 'household'], tool_env),
        ('sort', [tool, 'sort', '21', data, os.path.join(out, 'sorted.dat')], tool_env),
        ('first record', [program, data], gui_env),
    ]
    with open('/proc/loadavg') as f:
        print(f'file {data}: {mb:.1f} MB{"; huge pages off" if no_huge else ""}; load average {" ".join(f.read().split()[:3])}')
    # CPU time (user + system) beside the wall time: on a shared machine the wall time also
    # holds the waits for a processor.
    print(f'{"job":14}{"min s":>8}{"MB/s":>8}{"min CPU":>9}{"peak MB":>9}{"/file":>8}  runs (s)')
    for name, argv, env in jobs:
        if not os.path.exists(argv[0]):
            continue
        results = [timed(argv, env) for _ in range(runs)]
        if any(r[2] != 0 for r in results):
            print(f'{name:14} FAILED: {results[0][3].strip().splitlines()[-1:]}')
            continue
        best = min(r[0] for r in results)
        cpu = min(r[4] for r in results)
        peak = max(r[1] for r in results)
        extra = ''
        painted = [re.search(r'first record shown after ([\d.]+) s', r[3]) for r in results]
        if all(painted):
            extra = f'  (first record painted at {min(float(p.group(1)) for p in painted):.3f} s)'
        print(f'{name:14}{best:8.3f}{mb / best:8.0f}{cpu:9.2f}{peak:9.0f}{peak / mb:7.2f}x  '
              + ' '.join(f'{r[0]:.3f}' for r in results) + extra)
    with open('/proc/loadavg') as f:
        print(f'load average after: {" ".join(f.read().split()[:3])}')


if __name__ == '__main__':
    main()
