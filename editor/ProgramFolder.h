// Where the program lives: the folder of the running executable, in which the editor
// looks for "Langdef.df" and proposes "Untitled.ZVlang".
#pragma once

#include <QString>

// The directory of the running executable (or the folder set by SetProgramFolder).
QString ProgramFolder();

// `fileName` joined to ProgramFolder() with exactly one path separator.
QString InProgramFolder(const QString &fileName);

// Makes ProgramFolder() answer `folder` from now on; an empty folder goes back to the
// executable's own directory. Tests use it to put files "beside the program".
void SetProgramFolder(const QString &folder);

// `folder` and `fileName` joined with exactly one '/' between them.
QString JoinPath(const QString &folder, const QString &fileName);
