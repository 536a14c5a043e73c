#!/bin/sh
# Remakes the real-speech voicing set in this directory: short read-speech
# excerpts from Debian's codec2-examples (/usr/share/codec2, LGPL-2.1), kept
# at their own rate as 16-bit mono WAV, words of ktuberling-data's voices
# (/usr/share/ktuberling/sounds, GPL-2+) joined per language, at 8 kHz or
# brought to 16 kHz, then Praat's voicing at our frames.
# Needs sox and praat. Run: sh make_set.sh [--refs-only]
set -e
cd "$(dirname "$0")"
W=/usr/share/codec2/wav
R=/usr/share/codec2/raw
cut() {  # name input [trim start length]
  out=$1; in=$2; shift 2
  sox "$in" -b 16 -c 1 "$out.wav" "$@"
}
if [ "$1" != "--refs-only" ]; then
  cut big_dog $W/big_dog.wav
  cut cross $W/cross.wav
  cut f2400 $W/f2400.wav
  cut forig $W/forig.wav
  cut hts1a $W/hts1a.wav
  cut hts2a $W/hts2a.wav
  cut m2400 $W/m2400.wav
  cut mmt1 $W/mmt1.wav trim 0 3
  cut morig $W/morig.wav
  cut wia $W/wia_16kHz.wav
  cut speech16a $R/speech_orig_16k.wav trim 0 3
  cut speech16b $R/speech_orig_16k.wav trim 5 3
  cut vk5qi $W/vk5qi.wav trim 1 3
  sox -t raw -r 8000 -e signed -b 16 -c 1 $R/kristoff.raw -b 16 -c 1 kristoff.wav trim 0 3
  K=/usr/share/ktuberling/sounds
  words() {  # name language extension rate word...
    out=$1; lang=$2; ext=$3; rate=$4; shift 4
    set -- $(for w in "$@"; do echo "$K/$lang/$w.$ext"; done)
    sox "$@" -b 16 -c 1 "$out.wav" rate -v "$rate"
  }
  words kt_nl nl wav 8000 bril hoed mond neus oog oor
  words kt_fi fi wav 8000 hattu korva nena
  words kt_sv sv wav 8000 har hatt mun nasa
  words kt_it it wav 8000 baffi bocca capelli cappello naso
  words kt_ro ro wav 16000 cercel gura nas ochi
  words kt_es es wav 8000 bigote boca ceja lazo nariz ojo
  words kt_ru ru ogg 16000 ball bow coat ear earring
  words kt_nds nds wav 8000 brill hoor hoot mund nees
fi
praat --run praat_voicing.praat .
