# Known-formant utterances made by Praat's KlattGrid (an implementation
# independent of ours), for the formant tracking tests. Run from this
# directory: praat --run make_set.praat
# Each NAME.wav (16 kHz) comes with NAME.truth: "ms voiced F1 F2 F3" every 4 ms.
# The files here were made with Praat 6.3.07 (Debian 12 package).

procedure utterance: .name$, .seconds, .f0, .f4, .f5
  kg = Create KlattGrid: .name$, 0, .seconds, 6, 1, 1, 6, 1, 1, 1
  Add pitch point: 0, .f0
  Add pitch point: .seconds, .f0 * 0.9
  for .k to 5
    Add oral formant bandwidth point: .k, 0, 40 + 30 * .k
  endfor
  Add oral formant frequency point: 4, 0, .f4
  Add oral formant frequency point: 5, 0, .f5
  Add voicing amplitude point: 0, 0
  name$ = .name$
  seconds = .seconds
  segments = 0
endproc

# Voicing from .t0 to .t1 s.
procedure voice: .t0, .t1
  selectObject: kg
  Add voicing amplitude point: .t0 - 0.0005, 0
  Add voicing amplitude point: .t0, 90
  Add voicing amplitude point: .t1, 90
  Add voicing amplitude point: .t1 + 0.0005, 0
endproc

# Formants from .t0 to .t1 s gliding from (a1, a2, a3) to (b1, b2, b3).
procedure vowel: .t0, .t1, .a1, .a2, .a3, .b1, .b2, .b3
  selectObject: kg
  Add oral formant frequency point: 1, .t0, .a1
  Add oral formant frequency point: 2, .t0, .a2
  Add oral formant frequency point: 3, .t0, .a3
  Add oral formant frequency point: 1, .t1, .b1
  Add oral formant frequency point: 2, .t1, .b2
  Add oral formant frequency point: 3, .t1, .b3
  segments += 1
  s0[segments] = .t0
  s1[segments] = .t1
  a1[segments] = .a1
  a2[segments] = .a2
  a3[segments] = .a3
  b1[segments] = .b1
  b2[segments] = .b2
  b3[segments] = .b3
endproc

procedure save
  selectObject: kg
  sound = To Sound
  resampled = Resample: 16000, 50
  Scale peak: 0.4
  Save as WAV file: name$ + ".wav"
  removeObject: kg, sound, resampled
  deleteFile: name$ + ".truth"
  for .i from 0 to seconds * 250 - 1
    .t = .i * 0.004
    .line$ = string$ (.i * 4) + " 0 0 0 0"
    for .s to segments
      if .t >= s0[.s] and .t < s1[.s]
        .w = (.t - s0[.s]) / (s1[.s] - s0[.s])
        .line$ = string$ (.i * 4) + " 1 " + fixed$ (a1[.s] + .w * (b1[.s] - a1[.s]), 0) + " " + fixed$ (a2[.s] + .w * (b2[.s] - a2[.s]), 0) + " " + fixed$ (a3[.s] + .w * (b3[.s] - a3[.s]), 0)
      endif
    endfor
    appendFileLine: name$ + ".truth", .line$
  endfor
endproc

@utterance: "kg_female_i", 0.9, 210, 4200, 4900
@voice: 0.1, 0.8
@vowel: 0.1, 0.8, 320, 2750, 3250, 300, 2950, 3400
@save

@utterance: "kg_child_i", 0.9, 300, 5000, 5900
@voice: 0.1, 0.8
@vowel: 0.1, 0.8, 400, 3200, 3950, 380, 3500, 4150
@save

@utterance: "kg_child_e", 0.9, 300, 5000, 5900
@voice: 0.1, 0.8
@vowel: 0.1, 0.8, 580, 2900, 3700, 560, 3050, 3850
@save

@utterance: "kg_diphthong_female", 0.85, 210, 4200, 4900
@voice: 0.1, 0.75
@vowel: 0.1, 0.22, 850, 1400, 2850, 850, 1400, 2850
@vowel: 0.22, 0.6, 850, 1400, 2850, 400, 2650, 3200
@vowel: 0.6, 0.75, 400, 2650, 3200, 400, 2650, 3200
@save

@utterance: "kg_diphthong_male", 0.85, 110, 3500, 4300
@voice: 0.1, 0.75
@vowel: 0.1, 0.22, 750, 1200, 2500, 750, 1200, 2500
@vowel: 0.22, 0.6, 750, 1200, 2500, 320, 2200, 2850
@vowel: 0.6, 0.75, 320, 2200, 2850, 320, 2200, 2850
@save

@utterance: "kg_sentence", 1.75, 210, 4200, 4900
@voice: 0.1, 0.28
@vowel: 0.1, 0.28, 850, 1400, 2900, 820, 1450, 2900
@voice: 0.35, 0.53
@vowel: 0.35, 0.53, 330, 2750, 3250, 330, 2700, 3250
@voice: 0.78, 0.96
@vowel: 0.78, 0.96, 380, 950, 2700, 380, 1000, 2700
@voice: 1.03, 1.21
@vowel: 1.03, 1.21, 480, 2450, 3000, 500, 2400, 3000
@voice: 1.46, 1.64
@vowel: 1.46, 1.64, 520, 1000, 2800, 540, 1050, 2800
@save
