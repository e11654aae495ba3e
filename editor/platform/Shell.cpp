#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
ShellOpenHandler &Handler()
{
    static ShellOpenHandler handler;
    return handler;
}
}

bool ShellExecuteOpen(QWidget *owner, const QString &url)
{
    if (Handler())
        return Handler()(owner, url);
    return QDesktopServices::openUrl(QUrl(url));
}

ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler)
{
    ShellOpenHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}
