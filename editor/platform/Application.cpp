#include "platform/Application.h"

#include "platform/AltNumpadKeys.h"
#include "platform/EmptyPaste.h"
#include "platform/MessageBox.h"

namespace {
void ShowMessage(const QString &message)
{
    MessageBoxW(nullptr, message, QGuiApplication::applicationDisplayName(),
                MB_OK | MB_ICONERROR);
}
}

void ShowException(const std::exception &error)
{
    ShowMessage(QString::fromUtf8(error.what()));
}

void ShowUnknownException()
{
    ShowMessage(QString());
}

void ShowCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        ShowException(error);
    } catch (...) {
        ShowUnknownException();
    }
}

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv), altNumpad_(std::make_unique<TAltNumpadKeys>())
{
    // Application filters see a widget's mouse press after the focus has moved.
    installEventFilter(this);
}

TApplication::~TApplication() = default;

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    const QEvent *outerPress = press_;
    const int outerBoxes = pressBoxes_;
    if (event->type() == QEvent::MouseButtonPress && receiver->isWidgetType()) {
        press_ = event;
        pressBoxes_ = MessageBoxCount();
    }
    bool result = true;
    try {
        if (altNumpad_->Take(receiver, event) || RefuseEmptyPaste(receiver, event))
            result = true;
        else
            result = QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
    }
    press_ = outerPress;
    pressBoxes_ = outerBoxes;
    return result;
}

bool TApplication::eventFilter(QObject *watched, QEvent *event)
{
    if (event == press_ && MessageBoxCount() != pressBoxes_)
        return true;
    return QApplication::eventFilter(watched, event);
}
