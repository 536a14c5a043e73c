# F1-F3 of a WAV file by Praat's To Formant (burg) at one ceiling, every
# 4 ms: "ms F1 F2 F3" lines (0 where Praat has no value).
form Tracks
  sentence Wav x.wav
  real Ceiling 5500
  sentence Out x.tsv
endform
sound = Read from file: wav$
formant = To Formant (burg): 0.004, 5, ceiling, 0.025, 50
deleteFile: out$
duration = Get total duration
for i from 0 to duration / 0.004
  t = i * 0.004
  line$ = string$ (i * 4)
  for k to 3
    f = Get value at time: k, t, "hertz", "linear"
    if f = undefined
      f = 0
    endif
    line$ = line$ + " " + fixed$ (f, 0)
  endfor
  appendFileLine: out$, line$
endfor
