// Reading a whole file into memory.
#pragma once

#include <QByteArray>
#include <QString>

// The bytes of the file: as many as its size says when it was opened, never more. Only a
// regular file (or a link to one) is read; a folder, a pipe, a device or a socket is
// refused like a file that cannot be opened, without waiting on it. Throws Exception
// "Cannot open file "<absolute path>". <reason>" when it cannot be opened or is not a
// regular file, "Stream read error" when it cannot be read to that size.
QByteArray LoadBytesFromFile(const QString &fileName);
