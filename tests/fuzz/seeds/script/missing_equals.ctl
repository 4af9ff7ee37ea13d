L01 =Broken
Z =P.QPK
L0