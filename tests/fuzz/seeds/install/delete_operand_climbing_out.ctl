Reed
V=1
F=GAME
D=\..\..\..\Windows\win.ini
