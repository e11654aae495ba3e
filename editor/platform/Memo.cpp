#include "platform/Memo.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVariant>

namespace {

// The text last shown by SetMemoText and the plain text the memo made of it.
const char kShownText[] = "glossmithShownText";
const char kShownPlain[] = "glossmithShownPlain";

QString WithCrLf(QString plain)
{
    return plain.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

} // namespace

QString EditPlainText(const QPlainTextEdit *edit)
{
    // The document's own characters: its plain-text form would turn every non-breaking
    // space into a blank. Only the separators between its lines become LF.
    QString text = edit->document()->toRawText();
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == 0xFDD0 || u == 0xFDD1)
            c = QLatin1Char('\n');
    }
    return text;
}

QString MemoText(const QPlainTextEdit *memo)
{
    const QString plain = EditPlainText(memo);
    const QVariant shown = memo->property(kShownText);
    if (shown.isValid() && memo->property(kShownPlain).toString() == plain)
        return shown.toString();
    return WithCrLf(plain);
}

void SetMemoText(QPlainTextEdit *memo, const QString &text)
{
    memo->setPlainText(text);
    memo->setProperty(kShownText, text);
    memo->setProperty(kShownPlain, EditPlainText(memo));
}

TMemoEvents::TMemoEvents(QPlainTextEdit *memo) : QObject(memo), FMemo(memo)
{
    memo->installEventFilter(this);
}

bool TMemoEvents::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != FMemo)
        return false;
    if (event->type() == QEvent::KeyPress && OnKeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QChar typed;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            typed = (key->modifiers() & Qt::ControlModifier) ? QChar(10) : QChar(13);
        else if (key->text().size() == 1)
            typed = key->text().at(0);
        else
            return false;
        OnKeyPress(FMemo, typed);
        return typed.isNull();
    }
    if (event->type() == QEvent::FocusOut && OnExit) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            OnExit(FMemo);
    }
    return false;
}
