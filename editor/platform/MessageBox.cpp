#include "platform/MessageBox.h"

#include <QMessageBox>

namespace {
MessageBoxResponder &Responder()
{
    static MessageBoxResponder responder;
    return responder;
}

struct ButtonSet {
    QList<QMessageBox::StandardButton> buttons;   // in the order the box shows them
    QMessageBox::StandardButton escape;
};

ButtonSet ButtonsFor(unsigned flags)
{
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNO:
        return {{QMessageBox::Yes, QMessageBox::No}, QMessageBox::No};
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
}

int MessageBoxW(QWidget *owner, const QString &text, const QString &caption, unsigned flags)
{
    if (Responder())
        return Responder()(owner, text, caption, flags);

    const ButtonSet set = ButtonsFor(flags);
    QMessageBox box(IconFor(flags), caption, text, QMessageBox::NoButton, owner);
    for (QMessageBox::StandardButton b : set.buttons)
        box.addButton(b);
    const int defaultIndex = int((flags >> 8) & 0x0F);
    if (defaultIndex < set.buttons.size())
        box.setDefaultButton(set.buttons[defaultIndex]);
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
