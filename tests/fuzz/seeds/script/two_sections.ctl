#00000000 header
L01=Reed Runner
V=1.0
K=SCORES.DAT
F=REED
C=unsetup.exe=unsetup.exe
Z=REED.QPK
I=OLD.CFG
{
D=\OLD.CFG
}
E C=NEW.CFG=NEW.CFG
M=REED.EXE=Reed Runner
S02=Demo
Z=DEMO.QPK
l1@=Last
z=X.QPK
