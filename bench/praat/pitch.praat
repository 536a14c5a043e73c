# Praat's side of the F0 comparison: To Pitch (ac) with its defaults.
form Pitch
  sentence file
endform
sound = Read from file: file$
To Pitch (ac): 0, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
