# Praat's side of the spectrogram comparison: a Gaussian-window spectrogram
# at a 2 ms step of a file or of the stretch start..end (seconds).
form Spectrogram
  sentence file
  positive window 0.005
  real start 0
  real end 0
endform
sound = Read from file: file$
if end > start
  part = Extract part: start, end, "rectangular", 1, "no"
endif
To Spectrogram: window, 8000, 0.002, 20, "Gaussian"
