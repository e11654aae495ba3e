// The program's text fields, as the application-wide key and clipboard rules (Alt+Numpad,
// pastes without text) tell them from other controls: line edits, plain and rich text
// edits and spin fields, read-only ones included.
#pragma once

class QObject;
class QWidget;

bool IsTextField(const QObject *object);

// The text field that an event sent to `receiver` is for: `receiver` itself when it is a
// text field; a multi-line edit when `receiver` is its viewport (which takes its mouse and
// drop events); else null.
QWidget *TextFieldOf(QObject *receiver);
