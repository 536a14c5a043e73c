# Per 10-ms frame where the original is voiced: time, F0, F1 and F2 of the
# original and of its copy (Praat's ac pitch and Burg formants, same
# settings on both; undefined values print as --undefined--).
# usage: praat --run copy_frames.praat ORIGINAL COPY PITCH_FLOOR PITCH_CEILING FORMANT_CEILING
form Copy frames
  sentence original
  sentence copy
  real floor 75
  real top 600
  real ceiling 5500
endform
a = Read from file: original$
pa = To Pitch: 0.01, floor, top
selectObject: a
fa = To Formant (burg): 0.01, 5, ceiling, 0.025, 50
b = Read from file: copy$
pb = To Pitch: 0.01, floor, top
selectObject: b
fb = To Formant (burg): 0.01, 5, ceiling, 0.025, 50
selectObject: a
d = Get total duration
t = 0.03
while t < d - 0.03
  selectObject: pa
  f0a = Get value at time: t, "Hertz", "linear"
  if f0a <> undefined
    selectObject: pb
    f0b = Get value at time: t, "Hertz", "linear"
    selectObject: fa
    f1a = Get value at time: 1, t, "hertz", "linear"
    f2a = Get value at time: 2, t, "hertz", "linear"
    selectObject: fb
    f1b = Get value at time: 1, t, "hertz", "linear"
    f2b = Get value at time: 2, t, "hertz", "linear"
    appendInfoLine: fixed$(t, 2), " ", f0a, " ", f0b, " ", f1a, " ", f1b, " ", f2a, " ", f2b
  endif
  t = t + 0.01
endwhile
