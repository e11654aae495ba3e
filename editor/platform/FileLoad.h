// Reading a whole file into memory.
#pragma once

#include <QByteArray>
#include <QString>

// The bytes of the file. Throws Exception "Cannot open file "<absolute path>". <reason>"
// when it cannot be opened, "Stream read error" when it cannot be read to its end.
QByteArray LoadBytesFromFile(const QString &fileName);
