[playlist]
File1=https://ice1.somafm.com/sonicuniverse-128-mp3
Title1=SomaFM Sonic Universe
Length1=-1
File2=https://live.wostreaming.net/direct/ppm-jazz24mp3-ibc1
Title2=Jazz24
Length2=-1
NumberOfEntries=2
Version=2
