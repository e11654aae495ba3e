// Memos: the text and the events of a multi-line edit (`QPlainTextEdit`) as the window
// handlers see them.
//
// Text: the window's texts break lines with CR LF. `SetMemoText` shows a text (any line
// break, CR LF, LF or a lone CR, starts a new line) and `MemoText` gives back what the
// memo holds with CR LF breaks; as long as the shown text has not been changed in the
// memo (or has been typed back to what it was), `MemoText` gives the very string that was
// shown, whatever line breaks it had.
//
// Events (`TMemoEvents`, installed on a memo and owned by it):
//   OnKeyPress(Key)  a character typed into the memo, before the memo takes it: the text
//                    of the key, Enter as CR (13) and Ctrl+Enter as LF (10). Key := 0
//                    drops the character (the key press does not reach the memo); other
//                    changes of Key are not taken.
//   OnExit           the input focus has moved from the memo to another control. Switching
//                    to another window or opening a popup (the context menu) is not leaving.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QPlainTextEdit;

QString MemoText(const QPlainTextEdit *memo);
// The text of a plain-text edit (a memo or the tree's in-place editor) with every character
// as it was typed or shown, a non-breaking space too, and LF between its lines.
QString EditPlainText(const QPlainTextEdit *edit);
void SetMemoText(QPlainTextEdit *memo, const QString &text);

class TMemoEvents : public QObject {
    Q_OBJECT
public:
    explicit TMemoEvents(QPlainTextEdit *memo);

    std::function<void(QObject *Sender, QChar &Key)> OnKeyPress;
    std::function<void(QObject *Sender)> OnExit;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *FMemo;
};
