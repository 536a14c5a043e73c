# Praat's side of the formant speed comparison: To Formant (burg) with its
# defaults (5 formants up to 5500 Hz, 25-ms window) over a whole file.
form Formant
  sentence file
endform
sound = Read from file: file$
To Formant (burg): 0, 5, 5500, 0.025, 50
