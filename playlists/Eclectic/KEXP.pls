[playlist]
NumberOfEntries=1
File1=https://kexp-mp3-128.streamguys1.com/kexp128.mp3
Title1=KEXP 90.3 Seattle
Version=2
