Reed
V=1
F=..
