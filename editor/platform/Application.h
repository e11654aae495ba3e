// The application object and its exception display.
//
// An exception that leaves an event handler (a slot, an event override, a callback of a
// control) ends that handler and is shown to the user by `ShowException`; the program goes
// on. Start-up code that catches an exception shows it the same way before ending.
//
// Qt's own code frees nothing that an exception passes on its way up (the events, pointers
// and guards it holds would leak or dangle), so a handler that can raise catches its own
// exceptions before they reach Qt: the windows' slots run through `AsHandler`, and the
// main window's key preview and close query, which reach its file commands, through
// `RunHandler`. The guard of TApplication::notify is the last resort for any other.
//
// The application object also holds the rules that every text field of the program
// follows, whatever window it is in and whenever it was made: Alt+Numpad (AltNumpadKeys.h)
// and no paste without text (EmptyPaste.h). Every event passes them, in that order, before
// any event filter or control sees it.
#pragma once

#include <QApplication>

#include <exception>
#include <memory>
#include <utility>

class TAltNumpadKeys;

// Shows `error`'s message (what()) in a message box with the error icon and an OK button,
// captioned with the application's display name.
void ShowException(const std::exception &error);
// The same for an exception of any other type: the message is empty.
void ShowUnknownException();
// Shows the exception being handled right now: call only inside a catch block.
void ShowCurrentException();

// Runs `handler`; an exception that leaves it is shown by ShowCurrentException and goes no
// further. True when the handler ran to its end.
template <typename Handler>
bool RunHandler(Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

// `handler` (taking no argument) as a slot for QObject::connect that runs inside RunHandler.
template <typename Handler>
auto AsHandler(Handler handler)
{
    return [handler = std::move(handler)] { RunHandler(handler); };
}

class TApplication : public QApplication {
public:
    TApplication(int &argc, char **argv);
    ~TApplication() override;

    // Delivers every event inside a guard: an exception that leaves a handler is shown by
    // ShowCurrentException and the event counts as handled. The text fields' rules see the
    // event first; one that they take goes no further.
    //
    // A mouse press that moves the input focus runs the handlers of the focus change before
    // the press reaches the control under the mouse. When one of them asks something in a
    // message box, the answer ends the click: the press goes no further, so no button is
    // left drawn pressed (its release came while the box was open) and nothing is clicked.
    bool notify(QObject *receiver, QEvent *event) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<TAltNumpadKeys> altNumpad_;
    const QEvent *press_ = nullptr;   // the mouse press being delivered to a widget
    int pressBoxes_ = 0;              // MessageBoxCount when it arrived
};
