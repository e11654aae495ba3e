#include "platform/Application.h"

#include "platform/AltNumpadKeys.h"
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

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    installEventFilter(new TAltNumpadKeys(this));
    // Application filters see a widget's mouse press after the focus has moved.
    installEventFilter(this);
}

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
