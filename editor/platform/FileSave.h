// Writing a whole file without ever leaving a half-written one in its place.
#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `fileName` and lets it take the place of
// `fileName` once it is complete (created or replaced). On failure nothing at `fileName`
// changes and Exception is thrown: "Cannot create file "<absolute path>". <reason>" when
// the file cannot be created, "Stream write error" when writing or replacing fails.
void SaveBytesToFile(const QString &fileName, const QByteArray &bytes);
