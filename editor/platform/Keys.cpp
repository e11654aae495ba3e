#include "platform/Keys.h"

TShiftState ShiftStateFromModifiers(Qt::KeyboardModifiers modifiers)
{
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    return shift;
}

Qt::KeyboardModifiers ModifiersFromShiftState(TShiftState shift)
{
    Qt::KeyboardModifiers modifiers;
    if (shift & ssShift)
        modifiers |= Qt::ShiftModifier;
    if (shift & ssAlt)
        modifiers |= Qt::AltModifier;
    if (shift & ssCtrl)
        modifiers |= Qt::ControlModifier;
    return modifiers;
}

namespace {
struct KeyPair {
    int qt;
    int vk;
};
// Keys whose codes are not simply shifted ranges.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},         {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
    {Qt::Key_Escape, VK_ESCAPE},  {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},  {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},      {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},      {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},     {Qt::Key_Minus, VK_SUBTRACT},
};
}

int VirtualKeyFromQtKey(int qtKey)
{
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;   // the same ASCII codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return VK_F1 + (qtKey - Qt::Key_F1);
    if (qtKey == Qt::Key_Backtab)
        return VK_TAB;
    if (qtKey == Qt::Key_Enter)
        return VK_RETURN;
    for (const KeyPair &k : kKeys)
        if (k.qt == qtKey)
            return k.vk;
    return 0;
}

int QtKeyFromVirtualKey(int vk)
{
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return vk;
    if (vk >= VK_F1 && vk <= VK_F12)
        return Qt::Key_F1 + (vk - VK_F1);
    for (const KeyPair &k : kKeys)
        if (k.vk == vk)
            return k.qt;
    return 0;
}
