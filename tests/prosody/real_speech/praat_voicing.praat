# Praat's voicing on every WAV of a directory at the frames of our F0 track
# (32-ms frames every 8 ms): NAME.voicing gets "ms ac cc" per frame, the F0
# of To Pitch (ac) and (cc) with standard settings at the frame centre (0 =
# unvoiced). Run: praat --run praat_voicing.praat DIR
form Voicing
  sentence dir .
endform
list = Create Strings as file list: "list", dir$ + "/*.wav"
n = Get number of strings
for i to n
  selectObject: list
  name$ = Get string: i
  snd = Read from file: dir$ + "/" + name$
  fs = Get sampling frequency
  count = Get number of samples
  ac = To Pitch (ac): 0.008, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
  selectObject: snd
  cc = To Pitch (cc): 0.008, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
  len = floor (fs * 0.032)
  step = floor (fs * 0.008)
  frames = floor ((count - 1 - len + step - 1) / step)
  out$ = dir$ + "/" + (name$ - ".wav") + ".voicing"
  writeFileLine: out$, "# ms ac cc (Praat ", praatVersion$, ", To Pitch 75..600 Hz)"
  for j from 0 to frames - 1
    t = (j * step + floor (len / 2)) / fs
    selectObject: ac
    fa = Get value at time: t, "Hertz", "nearest"
    selectObject: cc
    fc = Get value at time: t, "Hertz", "nearest"
    if fa = undefined
      fa = 0
    endif
    if fc = undefined
      fc = 0
    endif
    appendFileLine: out$, round (t * 1000), " ", round (fa), " ", round (fc)
  endfor
  removeObject: snd, ac, cc
endfor
