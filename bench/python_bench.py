#!/usr/bin/python3
# Speed and memory of the Python module against the core as ardv-cli runs it
# (one thread each): whole-file F0 and a narrow-band spectrogram of 60 s,
# two 60-s F0 analyses in two threads against one after the other, and the
# memory of F0 and energy on 10 minutes. Run on a quiet machine with the
# Release build: PYTHONPATH=build/python bench/python_bench.py build/bin/ardv-cli
import resource
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import numpy as np

import ardelovox

cli = sys.argv[1] if len(sys.argv) > 1 else "build/bin/ardv-cli"
example = Path(__file__).resolve().parents[1] / "data" / "examples" / "example.wav"
work = Path(tempfile.mkdtemp())


def recording(seconds, name, shift=0):
    x = ardelovox.Sound(str(example)).samples
    n = int(seconds * 16000)
    tiled = np.tile(np.roll(x, shift), n // len(x) + 1)[:n]
    ardelovox.Sound.from_array(tiled, 16000).write(str(work / name))
    return str(work / name)


def best(run, repeat=5):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


a, b = recording(60, "a.wav"), recording(60, "b.wav", 777)
long = recording(600, "long.wav")
f0_cli = best(lambda: subprocess.run([cli, "--threads", "1", "f0", a, "-o", str(work / "a.pit")], check=True))
f0_py = best(lambda: ardelovox.Sound(a).f0())
spec_cli = best(lambda: subprocess.run([cli, "--threads", "1", "spectrogram", a, "--kind", "narrow",
                                        "-o", str(work / "a.pgm")], check=True))
spec_py = best(lambda: ardelovox.Sound(a).spectrogram(kind="narrow"))
print(f"F0 of 60 s: ardv-cli {f0_cli * 1000:.0f} ms, module {f0_py * 1000:.0f} ms "
      f"({(f0_py / f0_cli - 1) * 100:+.1f} %)")
print(f"narrow-band spectrogram of 60 s (one thread): ardv-cli {spec_cli * 1000:.0f} ms, "
      f"module {spec_py * 1000:.0f} ms ({(spec_py / spec_cli - 1) * 100:+.1f} %)")

sounds = [ardelovox.Sound(a), ardelovox.Sound(b)]
serial = best(lambda: [s.f0() for s in sounds], 3)


def side_by_side():
    threads = [threading.Thread(target=s.f0) for s in sounds]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


parallel = best(side_by_side, 3)
print(f"F0 of two 60-s recordings: one after the other {serial * 1000:.0f} ms, two threads "
      f"{parallel * 1000:.0f} ms ({serial / parallel:.2f} x)")

# In a fresh interpreter, so that the peak is this job's.
probe = """
import resource, sys, numpy as np, ardelovox
s = ardelovox.Sound(sys.argv[1])
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
s.f0(); s.energy()
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(f"F0 and energy of 10 min: peak memory {(after - before) / 1024:.1f} MB above the start "
      f"(the samples, {len(s) * 2 / 1e6:.1f} MB, are not read for them)")
v = s.samples
print(f"samples reach numpy without a copy: {np.shares_memory(v, s.samples) and v.base is not None}, "
      f"{(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - after) / 1024:.1f} MB more once read")
"""
subprocess.run([sys.executable, "-c", probe, long], check=True)
