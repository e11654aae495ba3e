// Whether Shift or Ctrl is held right now.
//
// `GetKeyState` answers for VK_SHIFT (0x10) and VK_CONTROL (0x11), and for VK_MENU (0x12,
// Alt): the result has its high bit set (it is negative) while the key is down, else it
// is 0. Any other code gives 0. The state comes from
// QGuiApplication::queryKeyboardModifiers unless a test has installed a provider.
#pragma once

#include <cstdint>
#include <functional>

std::int16_t GetKeyState(int vk);

// Test hook: `provider(vk)` says whether that key is down. An empty function restores the
// real keyboard. Returns the previous provider.
using KeyStateProvider = std::function<bool(int vk)>;
KeyStateProvider SetKeyStateProvider(KeyStateProvider provider);
