// Writing a whole file without leaving a half-written one in its place wherever the folder
// allows it.
#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `fileName` and lets it take the place of
// `fileName` once it is complete (created or replaced); on failure nothing at `fileName`
// changes. Where the folder does not let the user create the temporary file, an existing
// writable `fileName` is written in place instead, and a failure can leave it half
// written. Throws Exception "Cannot create file "<absolute path>". <reason>" when the file
// cannot be created, "Stream write error" when writing or replacing fails.
void SaveBytesToFile(const QString &fileName, const QByteArray &bytes);
