// Alt+Numpad: a character typed by its code.
//
// While Alt is held, the digits typed on the numeric keypad into a text field are gathered
// instead of typed; when Alt is released, the character of their code is typed into the
// field that has the input focus, as an ordinary key press with that text (the field's own
// editing, its maximum length, its validator and every handler of typed keys see it as
// typing).
//
// Codes: digits without a leading 0 name a character of code page 437, whose codes 1 to 31
// and 127 are its glyphs (1 ☺ U+263A, 2 ☻ U+263B, 3 ♥ ... 31 ▼, 127 ⌂) and whose codes 128
// to 255 its letters, signs and box-drawing pieces (130 é, 255 the no-break space). Digits
// with a leading 0 name a character of Windows-1252 (0128 €, 0233 é). A code above 255 is
// taken modulo 256 (257 is ☺). Nothing is typed for code 0, for the control codes of
// Windows-1252 (01 to 031 and 0127) and for the five codes it leaves unassigned (0129,
// 0141, 0143, 0144, 0157); the digits are gathered all the same.
//
// Keys: the keypad's digit keys with NumLock on, and with NumLock off the navigation keys
// they then send (Insert 0, End 1, Down 2, Page Down 3, Left 4, Clear 5, Right 6, Home 7,
// Up 8, Page Up 9), told from the other navigation keys by Qt's keypad flag. Only Alt may
// be held with them (not Shift, Ctrl or Meta). A keypad key held down counts once. Any
// other key pressed while Alt is held (but NumLock) drops the digits gathered so far and
// goes on as usual, and so does a new press of Alt; Alt alone, or with a letter (the buttons'
// underlined letters), is left entirely to what it did before. That holds for the keys of
// shortcuts too, which reach no control (a button's letter, the window's F3): the shortcut
// acts and no character follows. The digits are dropped when such a key first shows
// itself, as the shortcut override that comes before every key press.
//
// Text fields: line edits, plain and rich text edits and spin fields, read-only ones
// included (they take the character as they take a typed one: not at all). In any other
// control (the tree, a button) keypad keys with Alt pass unchanged.
//
// The application object hands every event to one TAltNumpadKeys before any event filter
// or control sees it (TApplication::notify): every text field of every window has the
// keys, the fields made later (the tree's in-place editor) included, and no filter of a
// window, whenever it was installed, takes a key from under a code.
#pragma once

#include <QList>

class QEvent;
class QKeyEvent;
class QObject;
class QWidget;

class TAltNumpadKeys {
public:
    // Looks at `event` on its way to `receiver`. True when the event is a code's own (a
    // keypad digit gathered, its release) and goes no further.
    bool Take(QObject *receiver, QEvent *event);

private:
    bool KeyPress(QWidget *receiver, const QKeyEvent &key);
    bool KeyRelease(QWidget *receiver, const QKeyEvent &key);
    void Type(QWidget *field, QChar character);
    void DropDigits();

    int FDigits = 0;             // keypad digits gathered while Alt is held
    bool FLeadingZero = false;   // the first of them was 0
    unsigned FCode = 0;          // their number, modulo 256
    QList<int> FHeld;            // keypad keys whose press was taken: their release is too
                                 // (scan codes negated, or Qt keys without one)
    bool FTyping = false;        // the character's own key events are on their way
};
