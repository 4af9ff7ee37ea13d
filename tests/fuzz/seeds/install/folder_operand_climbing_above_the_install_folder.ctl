Reed
V=1
F=GAME
F=..\..\Windows
C=README.TXT=evil.dll
