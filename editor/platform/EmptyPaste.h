// A paste with no text to paste does nothing.
//
// While the clipboard holds no text (nothing at all after a login, or once the program that
// copied has ended), a paste into a text field pastes nothing and changes nothing else: no
// selection is replaced, the cursor stays. So does a middle click where the platform has a
// selection of its own (X11) that holds no text, and a drop that brings no text is refused.
//
// Beyond tidiness this keeps the program alive: the text control of Qt's multi-line edits
// reads, in some releases (Debian 12's Qt 6.4.2 among them), the first of the formats that
// the pasted data offers without asking whether there is one, and an empty X11 clipboard
// offers data with no format at all: a paste then ended the program with a segmentation
// fault. (Qt's offscreen platform has no data on its clipboard until a program puts some
// there; data with no format put there is the empty X11 clipboard.)
//
// The paths into a field's paste, each held back while there is no text for it:
//   a key press that the fields take as Paste (Ctrl+V, Shift+Insert, the Paste key);
//   the release of the middle mouse button over a field, on a platform with a selection;
//   a drag entering or moving over a field, and its drop;
//   the Paste entry of a multi-line field's context menu: the clipboard may empty while
//   the menu is open, so each key press and mouse release that reaches the menu first
//   disables the entry when there is nothing to paste. (A line edit's menu names no entry;
//   its paste reads the clipboard's text, which cannot end the program.)
//
// The application object asks RefuseEmptyPaste about every event before any filter or
// control sees it (TApplication::notify), so the rule holds in every text field of every
// window, those made later and Qt's own included.
#pragma once

class QEvent;
class QObject;

// True when `event`, about to be sent to `receiver`, would paste or drop no text into a
// text field: it then goes no further (a key press or a click counts as handled, a drag as
// refused).
bool RefuseEmptyPaste(QObject *receiver, QEvent *event);
