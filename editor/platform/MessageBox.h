// Message boxes with Windows-style flags and answers.
//
// `MessageBoxW` shows a modal QMessageBox with the icon and the buttons that `flags` name
// and returns the answer as IDOK, IDCANCEL, IDYES or IDNO. Escape and the close button of
// the box give IDCANCEL where there is a Cancel button and IDOK for a lone OK; a Yes/No box
// has no close button and ignores Escape: only Yes or No answers it.
// Tests install a responder instead: it receives every call and its result is the answer;
// no window is shown then. `MessageBoxRecorder` is such a responder for test fixtures.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

// Buttons (low 4 bits of the flags).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
// Icons (bits 4..7).
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
// Default button (bits 8..11): the second or third button is the default one.
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows the box (owner may be null: then it has no owner window) and returns the answer.
int MessageBoxW(QWidget *owner, const QString &text, const QString &caption, unsigned flags);

using MessageBoxResponder =
    std::function<int(QWidget *owner, const QString &text, const QString &caption, unsigned flags)>;

// How many boxes have been asked so far (shown or answered by a responder).
int MessageBoxCount();

// Installs `responder` for every later call; an empty function shows real boxes again.
// Returns the responder that was installed before.
MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder);

// For tests: while it lives, every message box is recorded and answered from `answers`
// in turn (then with `defaultAnswer`). Restores the previous responder when destroyed.
class MessageBoxRecorder {
public:
    struct Call {
        QWidget *owner;
        QString text;
        QString caption;
        unsigned flags;
    };

    explicit MessageBoxRecorder(int defaultAnswer = IDOK);
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    void Answer(int answer) { answers.push_back(answer); }   // queue one answer

    std::vector<Call> calls;
    std::deque<int> answers;
    int defaultAnswer;

private:
    MessageBoxResponder previous;
};
