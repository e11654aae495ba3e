#include "platform/KeyState.h"

#include "platform/Keys.h"

#include <QGuiApplication>

namespace {
KeyStateProvider &Provider()
{
    static KeyStateProvider provider;
    return provider;
}

bool KeyDown(int vk)
{
    if (Provider())
        return Provider()(vk);
    const Qt::KeyboardModifiers modifiers = QGuiApplication::queryKeyboardModifiers();
    switch (vk) {
    case VK_SHIFT:
        return modifiers & Qt::ShiftModifier;
    case VK_CONTROL:
        return modifiers & Qt::ControlModifier;
    case VK_MENU:
        return modifiers & Qt::AltModifier;
    default:
        return false;
    }
}
}

std::int16_t GetKeyState(int vk)
{
    if (vk != VK_SHIFT && vk != VK_CONTROL && vk != VK_MENU)
        return 0;
    return KeyDown(vk) ? std::int16_t(0x8000) : std::int16_t(0);
}

KeyStateProvider SetKeyStateProvider(KeyStateProvider provider)
{
    KeyStateProvider previous = std::move(Provider());
    Provider() = std::move(provider);
    return previous;
}
