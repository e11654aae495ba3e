// Opening a web page through the desktop (the user's browser).
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Asks the desktop to open `url` (QDesktopServices::openUrl). `owner` is the window that
// asks; it is passed to a test handler and otherwise unused. Returns whether the desktop
// accepted the request.
bool ShellExecuteOpen(QWidget *owner, const QString &url);

// Test hook: handles every later request instead of the desktop. Empty restores the desktop.
using ShellOpenHandler = std::function<bool(QWidget *owner, const QString &url)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);
