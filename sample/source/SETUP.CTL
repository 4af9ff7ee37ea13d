#00000000 Quillmarsh Games sample distribution (stamped by qmgdist at build time)
#
# Three products are offered: Reed Runner, Lily Links and Heron Hop.
# The Marsh Mosaic demo lies in an S section, which is never offered.
# This is the source of the distribution: "qmgdist build" packs each
# package from the folder of its name (REEDRUN/ for REEDRUN.QPK) with the
# key SETUP.EXE will use, copies the files the C lines name, and stamps
# this script. A section none of whose packages is present is not offered;
# "qmgdist check" warns of it.
# MUSIC.QPK and COMMONUI.QPK are unpacked for every product into the
# install folder's Music and CommonUI folders. Each product brings the
# uninstaller that its Uninstall entry names into its folder.

L01=Reed Runner
V=1.0
K=REEDRUN.SAV
F=REEDRUN
C=UNSETUP.EXE=unsetup.exe
C=README.TXT=README.TXT
Z=REEDRUN.QPK
M=REEDRUN.EXE=Reed Runner

L02=Lily Links
V=2.1
K=LILYLINK.SAV
K=LILYLINK.CFG
F=LILYLINK
C=UNSETUP.EXE=unsetup.exe
Z=LILYLINK.QPK
# Keep the player's settings; give new players the default ones.
I=LILYLINK.CFG
{
  C=README.TXT=LILYLINK.TXT
}
E C=LILYLINK.CFG=LILYLINK.CFG
# Extra puzzles go into a folder of their own.
F=EXTRA
Z=LILYXTRA.QPK
M=LILYLINK.EXE=Lily Links

L03=Heron Hop
V=1.2
F=HERONHOP
C=UNSETUP.EXE=unsetup.exe
Z=HERONHOP.QPK
I=HERONHOP.EXE
  M=HERONHOP.EXE=Heron Hop
E {
  C=README.TXT=BROKEN.TXT
}

S05=Marsh Mosaic demo
V=0.1
F=MOSAIC
Z=MOSAIC.QPK
