# Praat To Pitch (ac) with its standard settings on the WAV files that
# known_f0_eval --wav DIR writes: NAME.praat holds the F0 at each frame
# centre of NAME.truth (0 unvoiced). Run: praat --run known_f0_praat.praat DIR
# then known_f0_eval --other DIR.
form Pitch
  sentence dir .
endform
list = Create Strings as file list: "list", dir$ + "/*.wav"
n = Get number of strings
for i to n
  selectObject: list
  name$ = Get string: i
  snd = Read from file: dir$ + "/" + name$
  pitch = To Pitch (ac): 0, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
  base$ = name$ - ".wav"
  out$ = dir$ + "/" + base$ + ".praat"
  deleteFile: out$
  truth$ = readFile$ (dir$ + "/" + base$ + ".truth")
  nl = 1
  while length (truth$) > 0
    p = index (truth$, newline$)
    line$ = left$ (truth$, p - 1)
    truth$ = right$ (truth$, length (truth$) - p)
    t = number (left$ (line$, index (line$, " ") - 1))
    selectObject: pitch
    f = Get value at time: t, "Hertz", "linear"
    if f = undefined
      f = 0
    endif
    appendFileLine: out$, fixed$ (f, 1)
  endwhile
  removeObject: snd, pitch
endfor
