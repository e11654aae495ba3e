// The program's start-up: one application object, the three windows (the main window
// first), the message loop. The exit code is 0 in every case.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class TAboutBox;
class TSearchFrm;
class TZvLngFrm;

// Runs the editor. An exception that escapes start-up is shown in a message box, and
// then the program ends. With the environment variable GLOSSMITH_QUIT_AFTER_SHOW set,
// the program ends as soon as the main window has been shown (for timing start-up).
int WinMain(int &argc, char **argv);

// The windows that start-up makes, in this order: the main window (ZvLngFrm), the search
// window (SearchFrm), owned by the main window as a tool window of it, and the about box
// (AboutBox). They go in the reverse order, the main window last.
class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows &) = delete;
    ProgramWindows &operator=(const ProgramWindows &) = delete;

    // Gives the application the program's icon, makes the three windows and sets the
    // globals; an exception from a constructor leaves the windows made before it in place.
    void Create();

    std::unique_ptr<TZvLngFrm> main;
    std::unique_ptr<TSearchFrm> search;
    std::unique_ptr<TAboutBox> about;
};

// ---- command line ----
// The arguments the program was started with: ParamStr(0) is the program, ParamCount()
// the number of arguments after it. WinMain sets them from the application's arguments;
// until something sets them there are none (so test programs, whose own arguments are
// their runner's, start the main window as without a file). The shell has already split
// the command line: a quoted part with blanks is one argument, without its quotes.
int ParamCount();
QString ParamStr(int index);
void SetProgramArguments(const QStringList &arguments);
