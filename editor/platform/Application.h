// The application object and its exception display.
//
// An exception that leaves an event handler (a slot, an event override, a callback of a
// control) ends that handler and is shown to the user by `ShowException`; the program goes
// on. Start-up code that catches an exception shows it the same way before ending.
#pragma once

#include <QApplication>

#include <exception>

// Shows `error`'s message (what()) in a message box with the error icon and an OK button,
// captioned with the application's display name.
void ShowException(const std::exception &error);
// The same for an exception of any other type: the message is empty.
void ShowUnknownException();
// Shows the exception being handled right now: call only inside a catch block.
void ShowCurrentException();

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);

    // Delivers every event inside a guard: an exception that leaves a handler is shown by
    // ShowCurrentException and the event counts as handled.
    bool notify(QObject *receiver, QEvent *event) override;
};
