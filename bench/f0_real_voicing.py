#!/usr/bin/env python3
"""Voicing and F0 of ardv-cli f0 against Praat's on the real-speech set.

usage: bench/f0_real_voicing.py ARDV_CLI [--save DIR] [ardv-cli f0 OPTIONS...]

Per file of tests/prosody/real_speech: frames, % whose voicing differs from
Praat's To Pitch (ac), extra (ours voiced, ac not), missing (the reverse),
% where Praat's cc differs from its ac, and gross errors (more than 20 % off
ac where ac and cc agree on a voiced F0); then the codec2 and ktuberling
files, all, and by voice class (Praat's median ac F0 of the file: below
165 Hz male, below 260 Hz female, else high). --save DIR keeps the tracks.
"""
import os
import statistics
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
set_dir = os.path.join(here, "..", "tests", "prosody", "real_speech")


def praat_refs(name):
    refs = {}
    with open(os.path.join(set_dir, name + ".voicing")) as f:
        next(f)
        for line in f:
            ms, ac, cc = (int(v) for v in line.split())
            refs[ms] = (ac, cc)
    return refs


def track(cli, wav, opts, out):
    subprocess.run([cli, "f0", wav, "-o", out] + opts, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    rows = {}
    with open(out) as f:
        next(f)
        for line in f:
            ms, hz = line.split()
            rows[int(ms)] = int(hz)
    return rows


def score(ours, refs):
    s = dict(frames=0, differ=0, extra=0, missing=0, ccac=0, agreed=0, gross=0)
    for ms, (ac, cc) in refs.items():
        if ms not in ours:
            continue
        hz = ours[ms]
        s["frames"] += 1
        s["differ"] += (hz > 0) != (ac > 0)
        s["extra"] += hz > 0 and ac <= 0
        s["missing"] += hz <= 0 and ac > 0
        s["ccac"] += (cc > 0) != (ac > 0)
        if hz > 0 and ac > 0 and cc > 0 and abs(cc - ac) <= 0.2 * ac:
            s["agreed"] += 1
            s["gross"] += abs(hz - ac) > 0.2 * ac
    return s


def add(a, b):
    return {k: a.get(k, 0) + b[k] for k in b}


def row(label, s):
    pct = lambda k: 100.0 * s[k] / max(s["frames"], 1)
    return (f"{label:16} {s['frames']:5d} {pct('differ'):6.2f} {s['extra']:5d} {s['missing']:5d} "
            f"{pct('ccac'):6.2f} {s['gross']:4d}/{s['agreed']:<5d} {100.0 * s['gross'] / max(s['agreed'], 1):5.2f}")


def main():
    cli = sys.argv[1]
    args = sys.argv[2:]
    save = None
    if len(args) >= 2 and args[0] == "--save":
        save, args = args[1], args[2:]
        os.makedirs(save, exist_ok=True)
    names = sorted(f[:-4] for f in os.listdir(set_dir) if f.endswith(".wav"))
    names = [n for n in names if not n.startswith("kt_")] + [n for n in names if n.startswith("kt_")]
    print(f"{'file':16} {'frames':>5} {'differ':>6} {'extra':>5} {'miss':>5} {'cc/ac':>6} {'gross/agreed':>10} {'%':>5}")
    groups = {}
    with tempfile.TemporaryDirectory() as work:
        for n in names:
            out = os.path.join(save or work, n + ".pit")
            refs = praat_refs(n)
            s = score(track(cli, os.path.join(set_dir, n + ".wav"), args, out), refs)
            print(row(n, s))
            voiced = [ac for ac, _ in refs.values() if ac > 0]
            med = statistics.median(voiced) if voiced else 0
            cls = "male" if med < 165 else "female" if med < 260 else "high"
            for g in ("ktuberling" if n.startswith("kt_") else "codec2", "class " + cls, "all"):
                groups[g] = add(groups.get(g, {}), s)
    for g in ("codec2", "ktuberling", "class male", "class female", "class high", "all"):
        if g in groups:
            print(row(g, groups[g]))


if __name__ == "__main__":
    main()
