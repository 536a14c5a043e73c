# The module on the bundled example: every analysis equals ardv-cli's output,
# round trips, hostile inputs raising exceptions, threads side by side, and a
# corpus's F0 medians computed with Dask.
import math
import threading
import warnings

import numpy as np
import pytest

import ardelovox
from conftest import EXAMPLE, SOURCE


def ms(t, fs):
    """The command line's milliseconds of a time in seconds (halves away from zero)."""
    return math.floor(round(t * fs) * 1000.0 / fs + 0.5)


def lines(fmt, *columns):
    return "".join(fmt.format(*row) for row in zip(*columns))


# (name, ardv-cli arguments, the same text made from the module's arrays)
CLI_TEXTS = [
    ("f0", ["f0", EXAMPLE],
     lambda s: lines("{} {}\n", [ms(t, s.rate) for t in s.f0().times], s.f0().f0.astype(int))),
    ("energy", ["energy", EXAMPLE],
     lambda s: lines("{}   {:g}\n", [ms(t, s.rate) for t in s.energy().times], s.energy().levels)),
    ("formants", ["formants", EXAMPLE],
     lambda s: lines("{} {:.0f} {:.0f} {:.0f}\n", [ms(t, s.rate) for t in s.formants().times],
                     *s.formants().frequencies.T)),
    ("snake", ["formants", EXAMPLE, "--method", "snake", "--from", 500, "--to", 1500],
     lambda s: lines("{} {:.0f} {:.0f} {:.0f}\n",
                     [ms(t, s.rate) for t in s.formants(method="snake", from_ms=500, to_ms=1500).times],
                     *s.formants(method="snake", from_ms=500, to_ms=1500).frequencies.T)),
    ("candidates", ["formant-candidates", EXAMPLE, "--kind", "cepstral"],
     lambda s: lines("{}\t{:.1f}\t{:.1f}\t{:.1f}\n",
                     [ms(t, s.rate) for t in s.formant_candidates(kind="cepstral").times],
                     *list(s.formant_candidates(kind="cepstral"))[1:])),
    ("pitch-marks", ["pitch-marks", EXAMPLE],
     lambda s: lines("{}\t{}\t{}\r\n", [ms(t, s.rate) for t in s.pitch_marks().times], s.pitch_marks().samples,
                     s.pitch_marks().f0.astype(int))),
]


@pytest.mark.parametrize("name,args,text", CLI_TEXTS, ids=[c[0] for c in CLI_TEXTS])
def test_analyses_equal_the_command_line(example, cli, name, args, text):
    expected = cli(*args).decode()
    if name == "pitch-marks":
        expected = expected.split("[Hz]\r\n", 1)[1]
    assert text(example) == expected


@pytest.mark.parametrize("kind", ["wide", "narrow", "reassigned", "lpc", "cepstral", "critical"])
def test_spectrogram_levels_equal_the_command_line(example, cli, tmp_path, kind):
    out = tmp_path / "s.pgm"
    cli("spectrogram", EXAMPLE, "--kind", kind, "--from", 300, "--to", 1400, "--width", 160, "--height", 64,
        "-o", out)
    image = example.spectrogram(kind=kind, from_ms=300, to_ms=1400, width=160, height=64)
    assert image.levels.shape == (160, 64) == (len(image.times), len(image.frequencies))
    assert out.read_bytes() == b"P5 64 160 255 " + (255 - image.levels).tobytes()
    assert np.all(np.diff(image.times) > 0) and 0.3 <= image.times[0] < image.times[-1] <= 1.4


# (name, ardv-cli arguments writing OUT, the module's sound)
CLI_SOUNDS = [
    ("psola", ["modify", EXAMPLE, "OUT", "--time", 1.5, "--f0", 0.8], lambda s: s.modify(time=1.5, f0=0.8)),
    ("vocoder", ["modify", EXAMPLE, "OUT", "--time", 0.7, "--method", "vocoder"],
     lambda s: s.modify(time=0.7, method="vocoder")),
    ("resample", ["resample", EXAMPLE, "OUT", "--rate", 11025], lambda s: s.resample(11025)),
    ("remove-dc", ["remove-dc", EXAMPLE, "OUT"], lambda s: s.remove_dc()),
    ("synth", ["synth", SOURCE / "data/examples/vowels-aiu.kle", "-o", "OUT"],
     lambda s: ardelovox.synthesize(ardelovox.read_tracks(str(SOURCE / "data/examples/vowels-aiu.kle")))),
]


@pytest.mark.parametrize("name,args,make", CLI_SOUNDS, ids=[c[0] for c in CLI_SOUNDS])
def test_transformations_equal_the_command_line(example, cli, tmp_path, name, args, make):
    out = tmp_path / "out.wav"
    cli(*[out if a == "OUT" else a for a in args])
    made, expected = make(example), ardelovox.Sound(str(out))
    assert made.rate == expected.rate
    np.testing.assert_array_equal(made.samples, expected.samples)


def test_copy_synthesis_and_tracks_round_trip(example, cli, tmp_path):
    cli("copy-synth", EXAMPLE, "-o", tmp_path / "cli.kle")
    tracks = ardelovox.copy_synthesis(example)
    expected = ardelovox.read_tracks(str(tmp_path / "cli.kle"))
    np.testing.assert_array_equal(tracks.values, expected.values)
    ardelovox.write_tracks(tracks, tmp_path / "again.kle")
    again = ardelovox.read_tracks(str(tmp_path / "again.kle"))
    np.testing.assert_array_equal(again.values, tracks.values)
    assert len(ardelovox.KlattTracks.names) == tracks.values.shape[1] == 56 and again.columns == 56
    np.testing.assert_array_equal(ardelovox.KlattTracks(tracks.values).values, tracks.values)


def test_corpus_search_and_measure_equal_the_command_line(cli, corpus, tmp_path):
    cli("search", corpus, "--phonemes", "[V],[nas]", "--list", tmp_path / "list.tsv")
    found = ardelovox.search(corpus, phonemes="[V],[nas]")
    listed = [line.split("\t") for line in (tmp_path / "list.tsv").read_text().splitlines()]
    assert found and [(o.file, round(o.start * 1000), round(o.end * 1000), o.labels) for o in found] == [
        (f, int(a), int(b), labels) for f, a, b, labels in listed]
    cli("measure", EXAMPLE, "--format", "tsv", "-o", tmp_path / "m.tsv")
    rows = ardelovox.measure(str(EXAMPLE))
    columns = ardelovox.measure(str(EXAMPLE), columns=True)
    text = (tmp_path / "m.tsv").read_text().splitlines()
    assert len(rows) == len(text) - 1 == len(columns["label"]) == 33
    header = text[0].split("\t")
    import pandas
    frame = pandas.DataFrame(columns)
    assert list(frame.columns) == header and frame["duration_ms"].sum() == pytest.approx(sum(
        row["duration_ms"] for row in rows))
    for row, line in zip(rows, text[1:]):
        for key, value in zip(header, line.split("\t")):
            assert row[key] == (value if key in ("file", "tier", "label", "previous", "next")
                                else float(value) if value else None)


def test_sound_samples_and_round_trips(example, tmp_path):
    samples = example.samples
    assert samples.dtype == np.int16 and not samples.flags.writeable and len(samples) == len(example) == 41832
    assert np.shares_memory(samples, example.samples) and example.rate == 16000
    assert example.duration == pytest.approx(41832 / 16000)
    assert len(example.phonemes) == 33 and example.words[0][2] == "The"
    made = ardelovox.Sound.from_array(samples, example.rate)
    np.testing.assert_array_equal(made.samples, samples)
    np.testing.assert_array_equal(ardelovox.Sound.from_array(samples / 32767.0, 16000).samples, samples)
    made.phonemes = [(0.1, 0.2, "a"), (0.25, 0.5, "i")]
    made.write(str(tmp_path / "m.wav"))
    again = ardelovox.Sound(tmp_path / "m.wav")
    assert [p[2] for p in again.phonemes] == ["a", "", "i"]
    example.write_labels(tmp_path / "e.TextGrid")
    again.read_labels(str(tmp_path / "e.TextGrid"))
    assert again.phonemes == example.phonemes and again.words == example.words
    ardelovox.load_language(ardelovox.language_file())
    classes = ardelovox.phonetic_classes()
    assert "A" in [p[0] for p in ardelovox.phonemes()] and all(classes[c][1] for c in classes)


def test_figure_equals_the_command_line(example, cli, tmp_path):
    cli("figure", EXAMPLE, "--panes", "waveform,spectrogram,f0,words", "--dpi", 60, "--kind", "narrow",
        "-o", tmp_path / "cli.png")
    ardelovox.figure(example, tmp_path / "f.png", panes=["waveform", "spectrogram", "f0", "words"], dpi=60,
                     kind="narrow")
    assert (tmp_path / "f.png").read_bytes() == (tmp_path / "cli.png").read_bytes()


# (call, exception): every bad input raises, none ends the interpreter.
HOSTILE = [
    (lambda s, d: ardelovox.Sound(str(d / "missing.wav")), FileNotFoundError),
    (lambda s, d: ardelovox.Sound(str(d)), IsADirectoryError),
    (lambda s, d: ardelovox.Sound(str(d / "garbage.wav")), ardelovox.Error),
    (lambda s, d: ardelovox.Sound(str(d / "x.raw")), ValueError),
    (lambda s, d: ardelovox.Sound(42), TypeError),
    (lambda s, d: ardelovox.Sound.from_array(np.array([0.0, np.nan]), 16000), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.array([np.inf]), 16000), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.array([], dtype=np.int16), 16000), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.zeros((2, 2)), 16000), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.array([40000]), 16000), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.array(["a"]), 16000), TypeError),
    (lambda s, d: ardelovox.Sound.from_array(np.zeros(10), float("nan")), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.zeros(1), 16000).spectrogram(), ValueError),
    (lambda s, d: ardelovox.Sound.from_array(np.zeros(1), 16000).energy(), ardelovox.Error),
    (lambda s, d: ardelovox.Sound.from_array(np.zeros(100), 1000).f0(), ardelovox.Error),
    (lambda s, d: s.spectrogram(width=10**9), ValueError),
    (lambda s, d: s.spectrogram(width=65536, height=65536), ValueError),
    (lambda s, d: s.spectrogram(kind="blue"), ValueError),
    (lambda s, d: s.spectrogram(settings={"nothing": 1}), ValueError),
    (lambda s, d: s.spectrogram(from_ms=float("nan")), ValueError),
    (lambda s, d: s.spectrogram(from_ms=10**6), ValueError),
    (lambda s, d: s.f0(speaker="child"), ValueError),
    (lambda s, d: s.formants(ceiling=float("inf")), ValueError),
    (lambda s, d: ardelovox.measure(str(EXAMPLE), ceiling="5k"), ValueError),
    (lambda s, d: ardelovox.measure(str(EXAMPLE), ceiling=5000, method="snake"), ValueError),
    (lambda s, d: s.modify(time=10), ValueError),
    (lambda s, d: s.modify(f0=2, method="vocoder"), ValueError),
    (lambda s, d: s.resample(0), ValueError),
    (lambda s, d: s.write(str(d / "no" / "dir.wav")), FileNotFoundError),
    (lambda s, d: s.read_labels(str(d / "missing.TextGrid")), FileNotFoundError),
    (lambda s, d: setattr(s, "words", [(1.0, 0.5, "x")]), ValueError),
    (lambda s, d: ardelovox.read_tracks(str(d / "garbage.wav")), ardelovox.Error),
    (lambda s, d: ardelovox.search(str(d), phonemes="nothing-such"), ValueError),
    (lambda s, d: ardelovox.figure(s, str(d / "f.gif")), ValueError),
]


@pytest.mark.parametrize("call,error", HOSTILE)
def test_hostile_inputs_raise(example, tmp_path, call, error):
    (tmp_path / "garbage.wav").write_bytes(b"RIFF\xff\xff\xff\xffWAVEjunk" * 3)
    (tmp_path / "x.raw").write_bytes(b"\0" * 10)
    with pytest.raises(error):
        call(example, tmp_path)


def test_core_notes_are_python_warnings(example):
    with pytest.warns(ardelovox.Warning):
        example.energy(fhigh=20000)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        example.f0()


def test_two_threads_analyse_side_by_side(example):
    expected = [example.f0().f0, example.spectrogram(kind="narrow", width=300).levels]
    results = [None, None]

    def work(i):
        results[i] = [example.f0().f0, example.spectrogram(kind="narrow", width=300).levels]
    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for r in results:
        np.testing.assert_array_equal(r[0], expected[0])
        np.testing.assert_array_equal(r[1], expected[1])


def f0_median(path):
    track = ardelovox.Sound(path).f0()
    return path.rsplit("/", 1)[-1], float(np.median(track.f0[track.voicing]))


def test_dask_f0_medians_equal_the_serial_ones(corpus):
    import dask.bag
    files = sorted(str(p) for p in corpus.glob("*.wav"))
    serial = dict(map(f0_median, files))
    medians = dict(dask.bag.from_sequence(files, npartitions=3).map(f0_median).compute(scheduler="threads"))
    assert medians == serial and len(serial) == 3 and serial["c.wav"] > serial["a.wav"]
