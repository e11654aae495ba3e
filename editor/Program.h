// The program's start-up: one application object, the three windows (the main window
// first), the message loop. The exit code is 0 in every case.
#pragma once

// Runs the editor. An exception that escapes start-up is shown in a message box, and
// then the program ends. With the environment variable GLOSSMITH_QUIT_AFTER_SHOW set,
// the program ends as soon as the main window has been shown (for timing start-up).
int WinMain(int &argc, char **argv);
