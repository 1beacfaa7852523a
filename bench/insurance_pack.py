#!/usr/bin/env python3
"""Times `larkspur-tool insurance-pack` as a user meets it: one fresh process per run, start to
exit, under GNU time (wall, CPU, peak memory), with the PDF's size and the machine's load.

usage: bench/insurance_pack.py BUILD_DIR FOLDER [--runs N] [--keep] [--only photos|plain]

BUILD_DIR is a Release build with -DLARKSPUR_BENCH=ON (bin/larkspur-tool, bin/bench_insurancepack).
FOLDER receives the fixtures (made once, reused when kept): 1,000 records with 3,000 distinct
twelve-megapixel JPEG files (about 10 GB), and 100,000 records without photos. Each run's pack is
removed before the next; the fixtures are removed at the end unless --keep.

Goals: photos: under 60 s, peak memory under 500 MB, PDF under 200 MB;
       plain: under 30 s, peak memory under 1 GB.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from fresh_process import timed  # noqa: E402


def load():
    with open('/proc/loadavg') as f:
        return ' '.join(f.read().split()[:3])


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument('build')
    ap.add_argument('folder')
    ap.add_argument('--runs', type=int, default=3)
    ap.add_argument('--keep', action='store_true', help='keep the fixtures for another run')
    ap.add_argument('--only', choices=['photos', 'plain'])
    a = ap.parse_args()
    tool = os.path.abspath(os.path.join(a.build, 'bin', 'larkspur-tool'))
    maker = os.path.abspath(os.path.join(a.build, 'bin', 'bench_insurancepack'))
    os.makedirs(a.folder, exist_ok=True)
    jobs = [('photos', 'photos.dat', 60, 500, 200), ('plain', 'plain.dat', 30, 1024, None)]
    print(f'load average before: {load()}')
    try:
        for name, dat, goal_s, goal_mb, goal_pdf in jobs:
            if a.only and a.only != name:
                continue
            data = os.path.join(a.folder, dat)
            if not os.path.exists(data):
                print(f'making the {name} fixture ...', flush=True)
                subprocess.run([maker, name, a.folder], check=True)
            print(f'{name}: goal under {goal_s} s, {goal_mb} MB peak'
                  + (f', PDF under {goal_pdf} MB' if goal_pdf else ''))
            print(f'  {"run":>3} {"wall s":>8} {"CPU s":>8} {"peak MB":>8} {"PDF MB":>8}  load')
            for run in range(1, a.runs + 1):
                out = os.path.join(a.folder, f'pack-{name}')
                shutil.rmtree(out, ignore_errors=True)
                subprocess.run(['sync'])
                wall, rss, status, err, cpu = timed([tool, 'insurance-pack', data, out])
                if status != 0:
                    print(f'  {run:>3} FAILED: {err.strip().splitlines()[:3]}')
                    continue
                pdf = os.path.getsize(os.path.join(out, 'inventory.pdf')) / 1e6
                print(f'  {run:>3} {wall:8.2f} {cpu:8.2f} {rss:8.0f} {pdf:8.1f}  {load()}',
                      flush=True)
                shutil.rmtree(out, ignore_errors=True)
    finally:
        if not a.keep:
            for entry in ('photos', 'seeds', 'photos.dat', 'plain.dat'):
                p = os.path.join(a.folder, entry)
                if os.path.isdir(p):
                    shutil.rmtree(p)
                elif os.path.exists(p):
                    os.remove(p)
    print(f'load average after: {load()}')


if __name__ == '__main__':
    main()
