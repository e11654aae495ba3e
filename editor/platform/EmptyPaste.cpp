#include "platform/EmptyPaste.h"

#include "platform/TextFields.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace {

bool HoldsText(const QMimeData *data)
{
    return data && data->hasText() && !data->text().isEmpty();
}

bool ClipboardHoldsText(QClipboard::Mode mode)
{
    return HoldsText(QGuiApplication::clipboard()->mimeData(mode));
}

// A text field's context menu: its Paste entry goes dark when there is nothing to paste.
void DisablePasteEntry(QObject *receiver)
{
    auto *menu = qobject_cast<QMenu *>(receiver);
    if (!menu || !TextFieldOf(menu->parentWidget()))
        return;
    auto *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste"), Qt::FindDirectChildrenOnly);
    if (paste && paste->isEnabled() && !ClipboardHoldsText(QClipboard::Clipboard))
        paste->setEnabled(false);
}

} // namespace

bool RefuseEmptyPaste(QObject *receiver, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        DisablePasteEntry(receiver);
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!key->matches(QKeySequence::Paste) || !IsTextField(receiver)
            || ClipboardHoldsText(QClipboard::Clipboard))
            return false;
        event->accept();   // the paste is done: nothing was there
        return true;
    }
    case QEvent::MouseButtonRelease: {
        DisablePasteEntry(receiver);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton || !TextFieldOf(receiver)
            || !QGuiApplication::clipboard()->supportsSelection() || ClipboardHoldsText(QClipboard::Selection))
            return false;
        event->accept();
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (!TextFieldOf(receiver) || HoldsText(static_cast<QDropEvent *>(event)->mimeData()))
            return false;
        event->ignore();   // refused: the drag shows that it cannot drop here
        return true;
    default:
        return false;
    }
}
