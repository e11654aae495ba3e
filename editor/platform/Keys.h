// Key codes and shift states as the editor's handlers see them.
//
// The window handlers work with 16-bit virtual-key codes (the Windows numbering) and a
// shift set of Shift, Alt and Ctrl. These helpers translate between Qt's key events and
// that numbering, so that the same code serves typed keys and keys forwarded to the tree.
#pragma once

#include <Qt>

// Shift state: a set of the three modifier keys.
enum TShiftStateFlag : unsigned {
    ssShift = 0x1,
    ssAlt = 0x2,
    ssCtrl = 0x4,
};
using TShiftState = unsigned;

// Virtual-key codes used by the editor. Letters and digits are their upper-case ASCII codes.
enum : int {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F12 = 0x7B,
};

// The shift set held in `modifiers` (the keypad and meta flags are dropped).
TShiftState ShiftStateFromModifiers(Qt::KeyboardModifiers modifiers);
// Qt's modifier flags for a shift set.
Qt::KeyboardModifiers ModifiersFromShiftState(TShiftState shift);

// The virtual-key code of a Qt key (Qt::Key_Backtab gives VK_TAB); 0 for a key without one.
int VirtualKeyFromQtKey(int qtKey);
// The Qt key of a virtual-key code; 0 for a code without one.
int QtKeyFromVirtualKey(int vk);
