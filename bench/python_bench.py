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


def cpu(run, repeat=5):
    """Least processor time (user + system, this process and its children) of a run:
    unlike the wall time, it does not grow with the other work of a shared machine."""
    def used():
        me, children = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
        return me.ru_utime + me.ru_stime + children.ru_utime + children.ru_stime
    times = []
    for _ in range(repeat):
        start = used()
        run()
        times.append(used() - start)
    return min(times)


def command(*args):
    subprocess.run([cli, "--threads", "1", *map(str, args)], check=True, stdout=subprocess.DEVNULL)


a, b = recording(60, "a.wav"), recording(60, "b.wav", 777)
long = recording(600, "long.wav")
# The command's own start (settings, texts, language file) is not the core's work.
start = cpu(lambda: command("info", a))
for name, run_cli, run_module in [
        ("F0 of 60 s", lambda: command("f0", a, "-o", work / "a.pit"), lambda: ardelovox.Sound(a).f0()),
        ("narrow-band spectrogram of 60 s, 1024 x 256", lambda: command("spectrogram", a, "--kind", "narrow",
                                                                         "-o", work / "a.pgm"),
         lambda: ardelovox.Sound(a).spectrogram(kind="narrow"))]:
    core, module = cpu(run_cli) - start, cpu(run_module)
    print(f"{name}: processor time of the core in ardv-cli {core * 1000:.1f} ms (its start, "
          f"{start * 1000:.1f} ms, taken off), module {module * 1000:.1f} ms ({(module / core - 1) * 100:+.1f} %)")

sounds = [ardelovox.Sound(a), ardelovox.Sound(b)]
serial = best(lambda: [s.f0() for s in sounds], 3)


def side_by_side():
    threads = [threading.Thread(target=s.f0) for s in sounds]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


parallel = best(side_by_side, 3)
print(f"F0 of two 60-s recordings (wall): one after the other {serial * 1000:.0f} ms, two threads "
      f"{parallel * 1000:.0f} ms ({serial / parallel:.2f} x; needs two idle cores: a busy machine's "
      f"scheduler shares out one session's time however many threads it runs)")

# In a fresh interpreter, so that the peak is this job's.
# (The peak of /proc/self/status: getrusage's counts the parent's too.)
probe = """
import sys, numpy as np, ardelovox
def peak():
    line = next(l for l in open("/proc/self/status") if l.startswith("VmHWM"))
    return int(line.split()[1]) / 1024
s = ardelovox.Sound(sys.argv[1])
before = peak()
s.f0(); s.energy()
after = peak()
print(f"F0 and energy of 10 min: peak memory {after - before:.1f} MB above the start "
      f"(the samples, {len(s) * 2 / 1e6:.1f} MB, are not read for them)")
v = s.samples
print(f"samples reach numpy without a copy: {np.shares_memory(v, s.samples) and v.base is not None}, "
      f"peak {peak() - after:.1f} MB more once read")
"""
subprocess.run([sys.executable, "-c", probe, long], check=True)
