# Shared fixtures: the bundled example, ardv-cli of the same build, a corpus folder.
import os
import shutil
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("ARDV_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXAMPLE = SOURCE / "data" / "examples" / "example.wav"


@pytest.fixture(scope="session")
def example():
    import ardelovox
    return ardelovox.Sound(str(EXAMPLE))


@pytest.fixture(scope="session")
def cli():
    """Runs ardv-cli with the arguments; returns its standard output (bytes)."""
    program = os.environ.get("ARDV_CLI") or shutil.which("ardv-cli")
    if not program:
        pytest.skip("ardv-cli is not built")

    def run(*args):
        return subprocess.run([program, *map(str, args)], check=True, capture_output=True).stdout
    return run


@pytest.fixture(scope="session")
def corpus(tmp_path_factory):
    """A folder of three recordings: the example, a slower copy and a higher one."""
    import ardelovox
    folder = tmp_path_factory.mktemp("corpus")
    sound = ardelovox.Sound(str(EXAMPLE))
    sound.write(str(folder / "a.wav"))
    slow = sound.modify(time=1.3)
    slow.phonemes, slow.words = [], []
    slow.write(str(folder / "b.wav"))
    sound.modify(f0=1.2).write(str(folder / "c.wav"))
    return folder
