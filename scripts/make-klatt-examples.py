#!/usr/bin/env python3
# Writes the example Klatt parameter files of data/examples (5-ms frames,
# piecewise-linear targets per parameter): scripts/make-klatt-examples.py data/examples
import sys
names = ["Date","F0hz10","AVdb","F1hz","B1hz","F2hz","B2hz","F3hz","B3hz","F4hz","B4hz","F5hz","B5hz","F6hz","B6hz",
"FNZhz","BNZhz","FNPhz","BNPhz","ASP","Kopen","Aturb","TLTdb","AF","Kskew","A1","B1phz","A2","B2phz","A3","B3phz","A4",
"B4phz","A5","B5phz","A6","B6phz","ANP","AB","AVpdb","Gain0","Rax1000","Rkx100","Rgx50","F1Nhz","B1Nhz","A1N","B1Nphz",
"F2Nhz","B2Nhz","A2N","B2Nphz","F3Nhz","B3Nhz","A3N","B3Nphz"]
defaults = [0,100,60,0,50,0,60,0,90,0,140,0,210,0,300,280,90,0,150,0,30,0,0,0,0,0,4003,0,4003,0,4003,0,4003,0,4003,0,4003,0,0,60,55,17,30,180,0,90,0,4003,0,90,0,4003,0,90,0,4003]
idx = {n:i for i,n in enumerate(names)}
def interp(keys, t):
    # keys: list of (ms, value); linear between, held outside
    if t <= keys[0][0]: return keys[0][1]
    for (t0,v0),(t1,v1) in zip(keys, keys[1:]):
        if t <= t1:
            if t1 == t0: return v1
            return v0 + (v1-v0)*(t-t0)/(t1-t0)
    return keys[-1][1]
def write(path, dur, step, tracks):
    with open(path,'w') as f:
        f.write(".kle\n")
        t = 0
        while t <= dur:
            rec = list(defaults)
            rec[0] = t
            rec[1] = defaults[1]*10
            for n,keys in tracks.items():
                v = int(round(interp(keys, t)))
                rec[idx[n]] = v*10 if n == "F0hz10" else v
            f.write(" ".join(str(max(v,0)) for v in rec) + " \n")
            t += step
out = sys.argv[1]
common = {"F4hz":[(0,3500)], "F5hz":[(0,4500)], "B4hz":[(0,200)], "B5hz":[(0,250)]}
# /aiu/: a male voice gliding down from 130 Hz
write(out+"/vowels-aiu.kle", 900, 5, dict(common, **{
 "F0hz10":[(0,130),(900,95)],
 "AVdb":[(0,0),(30,60),(850,60),(900,0)],
 "F1hz":[(0,730),(200,730),(350,270),(550,270),(700,300),(900,300)],
 "F2hz":[(0,1090),(200,1090),(350,2290),(550,2290),(700,870),(900,870)],
 "F3hz":[(0,2440),(200,2440),(350,3010),(550,3010),(700,2240),(900,2240)],
 "B1hz":[(0,90),(200,90),(350,60)], "B2hz":[(0,110)], "B3hz":[(0,170)],
}))
# /asa/: voicing stops (in both branches) while frication rises through the
# high parallel formants
write(out+"/fricative-asa.kle", 700, 5, dict(common, **{
 "F0hz10":[(0,120),(700,100)],
 "AVdb":[(0,0),(30,60),(220,60),(260,0),(440,0),(480,60),(670,60),(700,0)],
 "AVpdb":[(0,0),(30,60),(220,60),(260,0),(440,0),(480,60),(670,60),(700,0)],
 "AF":[(0,0),(230,0),(270,60),(430,60),(470,0)],
 "F1hz":[(0,730),(200,730),(250,400),(450,400),(500,730)],
 "F2hz":[(0,1090),(200,1090),(250,1600),(450,1600),(500,1090)],
 "F3hz":[(0,2440),(200,2440),(250,2600),(450,2600),(500,2440)],
 "F6hz":[(0,4900)], "B6hz":[(0,1000)],
 "A4":[(0,0),(230,0),(270,38),(430,38),(470,0)],
 "A5":[(0,0),(230,0),(270,52),(430,52),(470,0)],
 "A6":[(0,0),(230,0),(270,56),(430,56),(470,0)],
 "B4phz":[(0,300)], "B5phz":[(0,350)], "B6phz":[(0,500)],
 "AB":[(0,0),(230,0),(270,42),(430,42),(470,0)],
 "B1hz":[(0,90)], "B2hz":[(0,110)], "B3hz":[(0,170)],
}))
# /ama/: the nasal pole/zero pair opens for the murmur
write(out+"/nasal-ama.kle", 700, 5, dict(common, **{
 "F0hz10":[(0,125),(700,100)],
 "AVdb":[(0,0),(30,60),(230,60),(270,54),(430,54),(470,60),(670,60),(700,0)],
 "F1hz":[(0,730),(220,730),(260,260),(440,260),(480,730)],
 "F2hz":[(0,1090),(220,1090),(260,1000),(440,1000),(480,1090)],
 "F3hz":[(0,2440),(220,2440),(260,2200),(440,2200),(480,2440)],
 "B1hz":[(0,90),(220,90),(260,60),(440,60),(480,90)], "B2hz":[(0,110)], "B3hz":[(0,170)],
 "FNPhz":[(0,0),(240,0),(245,270),(455,270),(460,0)], "BNPhz":[(0,100)],
 "FNZhz":[(0,280),(240,280),(260,450),(440,450),(460,280)], "BNZhz":[(0,100)],
}))
