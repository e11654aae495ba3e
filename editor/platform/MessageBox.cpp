#include "platform/MessageBox.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

namespace {
MessageBoxResponder &Responder()
{
    static MessageBoxResponder responder;
    return responder;
}

struct ButtonSet {
    QList<QMessageBox::StandardButton> buttons;   // in the order the box shows them
    QMessageBox::StandardButton escape;           // NoButton: only a button answers
};

ButtonSet ButtonsFor(unsigned flags)
{
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNO:
        return {{QMessageBox::Yes, QMessageBox::No}, QMessageBox::NoButton};
    default:
        return {{QMessageBox::Ok}, QMessageBox::Ok};
    }
}

QMessageBox::Icon IconFor(unsigned flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A box that only its buttons answer has no close button, and Escape and a request to
// close it do nothing (QMessageBox would take No for the escape button of its own accord).
// Without a close button (and with CustomizeWindowHint, so that Qt adds none), Qt's X11
// plugin gives the window Motif hints whose functions are moving and resizing only: a
// window manager that follows them offers no close (openbox keeps its close button on
// every window whatever the hints say; the request it sends is ignored).
class Box : public QMessageBox {
public:
    Box(Icon icon, const QString &caption, const QString &text, QWidget *owner, bool answeredByButtonsOnly)
        : QMessageBox(icon, caption, text, NoButton, owner), buttonsOnly_(answeredByButtonsOnly)
    {
        if (buttonsOnly_)
            setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                           ~Qt::WindowCloseButtonHint);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (buttonsOnly_ && event->matches(QKeySequence::Cancel))
            return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (buttonsOnly_) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    bool buttonsOnly_;
};

int AnswerFor(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

int &BoxCount()
{
    static int count = 0;
    return count;
}
}

int MessageBoxCount()
{
    return BoxCount();
}

int MessageBoxW(QWidget *owner, const QString &text, const QString &caption, unsigned flags)
{
    ++BoxCount();
    if (Responder())
        return Responder()(owner, text, caption, flags);

    const ButtonSet set = ButtonsFor(flags);
    Box box(IconFor(flags), caption, text, owner, set.escape == QMessageBox::NoButton);
    for (QMessageBox::StandardButton b : set.buttons)
        box.addButton(b);
    const int defaultIndex = int((flags >> 8) & 0x0F);
    if (defaultIndex < set.buttons.size())
        box.setDefaultButton(set.buttons[defaultIndex]);
    if (set.escape != QMessageBox::NoButton)
        box.setEscapeButton(set.escape);
    return AnswerFor(box.exec());
}

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder)
{
    MessageBoxResponder previous = std::move(Responder());
    Responder() = std::move(responder);
    return previous;
}

MessageBoxRecorder::MessageBoxRecorder(int defaultAnswer) : defaultAnswer(defaultAnswer)
{
    previous = SetMessageBoxResponder(
        [this](QWidget *owner, const QString &text, const QString &caption, unsigned flags) {
            calls.push_back({owner, text, caption, flags});
            if (answers.empty())
                return this->defaultAnswer;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxResponder(std::move(previous));
}
