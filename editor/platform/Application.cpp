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
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return true;
    }
}
