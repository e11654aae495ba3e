// Tails of a string that share its characters instead of copying them.
#pragma once

#include <QString>

// The characters of `text` from `from` (0 to text.size()) to its end, held in `text`'s own
// storage: no character is copied, and the storage lives as long as any string that holds
// part of it. A change to either string copies it first, as for any shared QString. Every
// tail runs to the end of the storage, so it is terminated like the whole text.
inline QString SharedTail(const QString &text, qsizetype from)
{
    if (from <= 0)
        return text;
    QString tail = text;
    QString::DataPointer &data = tail.data_ptr();
    if (!data.isMutable())   // characters not owned by a string (fromRawData): copied
        return text.sliced(from);
    data.setBegin(data.data() + from);
    data.size -= from;
    return tail;
}
