// Associating the .ZVlang extension with the editor: a registration script is filled
// from the template resource REG, written to the temporary folder, imported silently by
// the registry editor (the program `regedit` on the PATH), and deleted again.
//
// The script is REGEDIT4 text, one byte per character. A program path outside 7-bit
// ASCII cannot be held by that form with certainty, so such a script is written in the
// registry editor's Unicode form instead: the first line becomes
// "Windows Registry Editor Version 5.00" and the text is UTF-16LE with a byte-order
// mark; every other line stays the same. A path holding a double quote or a control
// character (a line break, say) would break the script's quoted strings in any form, so
// it is refused, as is a temporary folder that does not exist.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text split into lines as a string list does it: at CR LF, lone LF or lone CR; a
// break at the very end makes no further empty line.
QStringList SplitTextLines(const QString &text);
// The lines joined, each one ended by CR LF.
QString JoinTextLines(const QStringList &lines);

// The template with its placeholders filled in their order (%EXT%, %TYPE%, %NAME%,
// %ICONID%, then %PATH% with every backslash doubled), the lines of the text taken apart
// and joined again after every replacement. The result ends every line with CR LF.
QString FillAssociationScript(const QString &templateText, const QString &programPath);

// The bytes of the script file for a filled script: 8-bit when it is all 7-bit ASCII,
// else the Unicode form described above.
QByteArray AssociationScriptBytes(const QString &script);

// The temporary folder with one separator, followed by "GlossmithAssoc.reg".
QString AssociationScriptPath();

// Empty when the path can go into the script, else the message to show.
QString AssociationPathProblem(const QString &programPath);

// The whole command: fills the template, writes the script, runs "regedit /s <script>",
// waits for it without a time limit and deletes the script. A registry editor that
// cannot be started is not reported, and the outcome of the import is not looked at.
// Returns an empty string, or a message for the caller to show (caption
// "Error detected.", MB_ICONERROR) when the association was refused before any file was
// written. A missing template resource or a script that cannot be written throws
// Exception, and then the registry editor is not started.
QString RunAssociation(const QString &programPath);
