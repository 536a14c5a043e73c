# Praat's side of the measurement comparison: mean F0 (To Pitch (ac), its
# defaults but the floor) over a stretch, and mean F1, F2 (To Formant (burg))
# over its middle half.
form Measure
  sentence file
  real start
  real end
  real floor
  real ceiling
endform
sound = Read from file: file$
pitch = To Pitch (ac): 0, floor, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
f0 = Get mean: start, end, "Hertz"
selectObject: sound
formant = To Formant (burg): 0, 5, ceiling, 0.025, 50
d = end - start
f1 = Get mean: 1, start + d / 4, end - d / 4, "hertz"
f2 = Get mean: 2, start + d / 4, end - d / 4, "hertz"
writeInfoLine: fixed$(f0, 2), " ", fixed$(f1, 1), " ", fixed$(f2, 1)
