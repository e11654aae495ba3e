#include "platform/AltNumpadKeys.h"

#include "platform/TextFields.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>

namespace {

// Code page 437: the glyphs of codes 0 to 31 (0 gives nothing) and codes 128 to 255.
constexpr char16_t kCp437Low[32] = {
    0,      0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};
constexpr char16_t kCp437House = 0x2302;   // code 127
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
// Windows-1252, codes 128 to 159 (0: unassigned); the codes from 160 on are Latin-1's.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The character of an Alt code (0 to 255); null for none.
QChar CodeCharacter(unsigned code, bool leadingZero)
{
    if (code >= 0x20 && code < 0x7F)
        return QChar(char16_t(code));   // ASCII in both
    if (!leadingZero) {
        if (code < 0x20)
            return QChar(kCp437Low[code]);
        return QChar(code == 0x7F ? kCp437House : kCp437High[code - 0x80]);
    }
    if (code < 0x80)
        return QChar();   // a control code
    if (code < 0xA0)
        return QChar(kCp1252High[code - 0x80]);
    return QChar(char16_t(code));
}

// The digit of a key of the numeric keypad, NumLock on or off; -1 for any other key.
int KeypadDigit(const QKeyEvent &key)
{
    if (!(key.modifiers() & Qt::KeypadModifier))
        return -1;
    const int k = key.key();
    if (k >= Qt::Key_0 && k <= Qt::Key_9)
        return k - Qt::Key_0;
    switch (k) {
    case Qt::Key_Insert: return 0;
    case Qt::Key_End: return 1;
    case Qt::Key_Down: return 2;
    case Qt::Key_PageDown: return 3;
    case Qt::Key_Left: return 4;
    case Qt::Key_Clear: return 5;
    case Qt::Key_Right: return 6;
    case Qt::Key_Home: return 7;
    case Qt::Key_Up: return 8;
    case Qt::Key_PageUp: return 9;
    default: return -1;
    }
}

// The digit of a keypad key typed with Alt (and no other modifier); -1 for any other key.
int CodeDigit(const QKeyEvent &key)
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
        return -1;
    return KeypadDigit(key);
}

// A keypad key as told apart from the others between its press and its release: its scan
// code, which NumLock does not change, where the platform gives one.
int HeldKey(const QKeyEvent &key)
{
    return key.nativeScanCode() != 0 ? -int(key.nativeScanCode()) : key.key();
}

// Keys that leave a code as it is: Alt held down repeats its press, and NumLock may be
// switched meanwhile. Every other key but a gathered digit ends it.
bool KeepsCode(const QKeyEvent &key)
{
    return (key.key() == Qt::Key_Alt && key.isAutoRepeat()) || key.key() == Qt::Key_NumLock;
}

} // namespace

bool TAltNumpadKeys::Take(QObject *receiver, QEvent *event)
{
    if (FTyping || !receiver->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(receiver);
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // A keypad digit with Alt is the field's, never a shortcut's. Any other key may be
        // a shortcut's, whose press no control will see: it ends the code here.
        auto *key = static_cast<QKeyEvent *>(event);
        if (CodeDigit(*key) < 0 || !IsTextField(widget)) {
            if (!KeepsCode(*key))
                DropDigits();
            return false;
        }
        key->accept();
        return true;
    }
    case QEvent::KeyPress:
        return KeyPress(widget, *static_cast<QKeyEvent *>(event));
    case QEvent::KeyRelease:
        return KeyRelease(widget, *static_cast<QKeyEvent *>(event));
    default:
        return false;
    }
}

bool TAltNumpadKeys::KeyPress(QWidget *receiver, const QKeyEvent &key)
{
    const int digit = CodeDigit(key);
    if (digit >= 0 && IsTextField(receiver)) {
        if (!FHeld.contains(HeldKey(key)))
            FHeld.append(HeldKey(key));
        if (!key.isAutoRepeat()) {
            if (FDigits == 0)
                FLeadingZero = digit == 0;
            FCode = (FCode * 10 + unsigned(digit)) % 256;
            ++FDigits;
        }
        return true;
    }
    if (!KeepsCode(key))
        DropDigits();
    return false;
}

bool TAltNumpadKeys::KeyRelease(QWidget *receiver, const QKeyEvent &key)
{
    if ((key.modifiers() & Qt::KeypadModifier) && FHeld.removeOne(HeldKey(key)))
        return true;
    if (key.key() != Qt::Key_Alt || key.isAutoRepeat() || FDigits == 0)
        return false;
    const QChar character = CodeCharacter(FCode, FLeadingZero);
    DropDigits();
    // Key events go to the widget with the input focus: the character goes where the
    // release of Alt goes, when that is a text field. The release itself goes on.
    if (!character.isNull() && IsTextField(receiver))
        Type(receiver, character);
    return false;
}

void TAltNumpadKeys::Type(QWidget *field, QChar character)
{
    const QScopedValueRollback<bool> typing(FTyping, true);
    const QString text(character);
    QPointer<QWidget> target(field);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    if (!target)
        return;
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

void TAltNumpadKeys::DropDigits()
{
    FDigits = 0;
    FLeadingZero = false;
    FCode = 0;
}
