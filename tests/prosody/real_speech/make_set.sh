#!/bin/sh
# Remakes the real-speech voicing set in this directory: short read-speech
# excerpts from Debian's codec2-examples (/usr/share/codec2, LGPL-2.1), kept
# at their own rate as 16-bit mono WAV, then Praat's voicing at our frames.
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
fi
praat --run praat_voicing.praat .
