#!/usr/bin/env python3
"""Writes labelled Klatt vowels for the measurement benchmarks.

usage: measure_vowels.py OUT_DIR VOICE SECONDS
  VOICE: male, female or child. Writes OUT_DIR/VOICE.kle (steady F0 and
  formants: three vowels A, i, u separated by silences) and
  OUT_DIR/VOICE.TextGrid (the phoneme tier "#", "A", "#", "i", "#", "u", "#"),
  and prints the true values, one "label F0 F1 F2 F3 start_s end_s" line
  per vowel.
"""
import sys

VOICES = {  # F0 Hz, then F1 F2 F3 of A, i, u
    "male": (110, {"A": (730, 1090, 2440), "i": (270, 2290, 3010), "u": (300, 870, 2240)}),
    "female": (210, {"A": (850, 1220, 2810), "i": (310, 2790, 3310), "u": (370, 950, 2670)}),
    "child": (300, {"A": (1030, 1370, 3170), "i": (370, 3200, 3730), "u": (430, 1170, 3260)}),
}

# One record of the bundled vowels-aiu.kle; columns 1 (F0 in tenths of Hz),
# 2 (AV dB), 3, 5 and 7 (F1, F2, F3) are set per frame.
TEMPLATE = ("0 1300 60 730 90 1090 110 2440 170 3500 200 4500 250 0 300 280 90 0 150 0 30 0 0 0 0 0 4003 0 "
            "4003 0 4003 0 4003 0 4003 0 4003 0 0 60 55 17 30 180 0 90 0 4003 0 90 0 4003 0 90 0 4003").split()


def main():
    out, voice, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    f0, vowels = VOICES[voice]
    step_ms = 5
    frames = int(seconds * 1000 / step_ms)
    # a, i, u each over a fifth of the file, silences between.
    spans = [("A", 0.1, 0.3), ("i", 0.4, 0.6), ("u", 0.7, 0.9)]
    lines = [".kle"]
    for k in range(frames):
        t = k / frames
        row = list(TEMPLATE)
        row[0] = str(k * step_ms)
        row[1] = str(f0 * 10)
        row[2] = "0"
        for label, a, b in spans:
            if a <= t < b:
                row[2] = "60"
                row[3], row[5], row[7] = (str(v) for v in vowels[label])
        lines.append(" ".join(row))
    with open(f"{out}/{voice}.kle", "w") as f:
        f.write("\n".join(lines) + "\n")
    total = frames * step_ms / 1000
    edges = [0.0]
    labels = []
    for label, a, b in spans:
        edges += [a * total, b * total]
        labels += ["#", label]
    labels.append("#")
    edges.append(total)
    tg = ['File type = "ooTextFile"', 'Object class = "TextGrid"', "", "xmin = 0", f"xmax = {total}",
          "tiers? <exists>", "size = 1", "item []:", "    item [1]:", '        class = "IntervalTier"',
          '        name = "phonemes"', "        xmin = 0", f"        xmax = {total}",
          f"        intervals: size = {len(labels)}"]
    for i, label in enumerate(labels):
        tg += [f"        intervals [{i + 1}]:", f"            xmin = {edges[i]:.4f}", f"            xmax = {edges[i + 1]:.4f}",
               f'            text = "{label}"']
    with open(f"{out}/{voice}.TextGrid", "w") as f:
        f.write("\n".join(tg) + "\n")
    for label, a, b in spans:
        print(label, f0, *vowels[label], f"{a * total:.4f}", f"{b * total:.4f}")


if __name__ == "__main__":
    main()
