// Product codes: two characters of a 32-character alphabet that has no
// I, L, O, S or Z (case-sensitive). The slot of code c1 c2 is
// 32 * index(c1) + index(c2); the installer has ProductSlotCount slots.
#pragma once

extern const char ProductCodeAlphabet[33];

// The slot of a code, or -1 when a character is outside the alphabet.
// Slots of 64 and more are returned as they are; callers decide.
int ProductCodeSlot(char c1, char c2);

// The two characters of a slot below 1024.
void ProductCodeOfSlot(int slot, char code[2]);
