#!/usr/bin/env python3
"""Mean absolute F1-F3 errors of ardv-cli formants (automatic and reference
ceiling) and of Praat (default 5500 Hz ceiling, and the best of 4500..7500 Hz by 500
per file knowing the truth) over the frames 40 ms or more inside voicing.

usage: compare.py ARDV_CLI DIR [EARLIER_OUTPUT]
(DIR holds NAME.wav and NAME.truth files; the rows of an earlier output are
reused.) Prints one row per file, then the means per class and per condition."""
import os, subprocess, sys, tempfile

cli, folder = sys.argv[1], sys.argv[2]
here = os.path.dirname(os.path.abspath(__file__))
EDGE = 40

def truth_of(path):
    rows = [l.split() for l in open(path)]
    return [(int(r[0]), r[1] == "1", [float(v) for v in r[2:5]]) for r in rows]

def truth_at(truth, ms, k, fs):
    i0, i1 = int((ms - EDGE) // 4), int((ms + EDGE) // 4)
    if i0 < 0 or i1 >= len(truth) or not all(t[1] for t in truth[i0:i1 + 1]):
        return 0
    f = truth[min(len(truth) - 1, int(ms // 4))][2][k]
    return 0 if fs == 8000 and f > 3300 else f

def mae(tracks, truth, fs):
    err, n = [0.0] * 3, [0] * 3
    for ms, f in tracks:
        for k in range(3):
            t = truth_at(truth, ms, k, fs)
            if t > 0:
                err[k] += abs(f[k] - t)
                n[k] += 1
    return [e / max(1, c) for e, c in zip(err, n)]

def read_tracks(path):
    out = []
    for line in open(path):
        v = line.split()
        out.append((float(v[0]), [float(x) for x in v[1:4]]))
    return out

def rate(wav):
    return int(subprocess.run(["soxi", "-r", wav], capture_output=True, text=True).stdout)

tmp = tempfile.mkdtemp()
rows = []
earlier = {}
if len(sys.argv) > 3:
    for line in open(sys.argv[3]):
        v = line.split()
        if len(v) == 9 and v[1] == "auto":
            earlier[v[0]] = {v[i]: [float(x) for x in v[i + 1].split("/")] for i in (1, 3, 5, 7)}
for name in sorted(f[:-4] for f in os.listdir(folder) if f.endswith(".wav")):
    if name in earlier:
        rows.append((name, earlier[name]))
        print(name, *("%s %s" % (k, "/".join("%.0f" % v for v in earlier[name][k])) for k in ("auto", "fixed", "praat", "best")), flush=True)
        continue
    wav, truth = os.path.join(folder, name + ".wav"), truth_of(os.path.join(folder, name + ".truth"))
    fs = rate(wav)
    res = {}
    for label, extra in (("auto", []), ("fixed", ["--ceiling", "5000"])):
        out = os.path.join(tmp, "a.tsv")
        subprocess.run([cli, "formants", wav, "-o", out] + extra, check=True)
        res[label] = mae(read_tracks(out), truth, fs)
    praat = {}
    for c in range(4500, 7501, 500):
        out = os.path.join(tmp, "p.tsv")
        subprocess.run(["praat", "--run", os.path.join(here, "praat_tracks.praat"), wav, str(c), out], check=True)
        praat[c] = mae(read_tracks(out), truth, fs)
    res["praat"] = praat[5500]
    res["best"] = min(praat.values(), key=lambda m: sum(m))
    rows.append((name, res))
    print(name, *("%s %s" % (k, "/".join("%.0f" % v for v in res[k])) for k in ("auto", "fixed", "praat", "best")), flush=True)

def group(key):
    groups = {}
    for name, res in rows:
        groups.setdefault(key(name), []).append(res)
    for g, rs in sorted(groups.items()):
        cells = []
        for k in ("auto", "fixed", "praat", "best"):
            cells.append(" / ".join("%.0f" % (sum(r[k][i] for r in rs) / len(rs)) for i in range(3)))
        print("| %s | %s |" % (g, " | ".join(cells)))

SEP = "|---|---|---|---|---|"
print("\n| Class | ours, automatic | ours, 5000 Hz | Praat 5500 Hz | Praat best ceiling |\n" + SEP)
group(lambda n: n.rsplit("_", 1)[0] if not n.startswith("kg_") else "KlattGrid " + n[3:])
print("\n| Condition | ours, automatic | ours, 5000 Hz | Praat 5500 Hz | Praat best ceiling |\n" + SEP)
group(lambda n: n.rsplit("_", 1)[1] if not n.startswith("kg_") else "KlattGrid")
print()
group(lambda n: "all")
