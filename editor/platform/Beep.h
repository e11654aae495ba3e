// The system's default sound.
#pragma once

// Plays the default sound (QApplication::beep); `type` is the Windows sound kind, 0 for the
// default one, and is only counted. Every call is counted for tests.
void MessageBeep(unsigned type);

// How many times MessageBeep has been called since the start or the last reset.
int BeepCount();
void ResetBeepCount();
