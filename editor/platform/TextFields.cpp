#include "platform/TextFields.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

bool IsTextField(const QObject *object)
{
    return qobject_cast<const QLineEdit *>(object) || qobject_cast<const QPlainTextEdit *>(object)
           || qobject_cast<const QTextEdit *>(object) || qobject_cast<const QAbstractSpinBox *>(object);
}

QWidget *TextFieldOf(QObject *receiver)
{
    if (!receiver || !receiver->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(receiver);
    if (IsTextField(widget))
        return widget;
    QWidget *parent = widget->parentWidget();
    if (auto *plain = qobject_cast<QPlainTextEdit *>(parent); plain && plain->viewport() == widget)
        return plain;
    if (auto *rich = qobject_cast<QTextEdit *>(parent); rich && rich->viewport() == widget)
        return rich;
    return nullptr;
}
