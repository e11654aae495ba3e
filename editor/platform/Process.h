// Starting a helper program and waiting for it.
#pragma once

#include <QString>
#include <QStringList>

// Starts `program` (looked up on the PATH when it holds no directory) with `arguments`
// and waits, without a time limit, until it has ended. Its exit code is not looked at.
// Returns false when the program could not be started.
bool RunProcessAndWait(const QString &program, const QStringList &arguments);
