#include "app/keyState.h"

#include <Qt>

bool* KeyState::flag(int key)
{
    switch (key) {
    case Qt::Key_Control:
        return &m_bCtrlKey;
    case Qt::Key_Shift:
        return &m_bShiftKey;
    case Qt::Key_Tab:
        return &m_bTabKey;
    case Qt::Key_Delete:
        return &m_bDelKey;
    case Qt::Key_Up:
        return &m_bUpKey;
    case Qt::Key_Down:
        return &m_bDownKey;
    default:
        return nullptr;
    }
}

bool KeyState::press(int key)
{
    bool* held = flag(key);
    if (!held)
        return true;
    const bool repeated = *held;
    *held = true;
    if (key == Qt::Key_Tab)
        return false;
    const bool oncePerPress = key == Qt::Key_Delete || key == Qt::Key_Up || key == Qt::Key_Down;
    return !(oncePerPress && repeated);
}

void KeyState::release(int key)
{
    if (bool* held = flag(key))
        *held = false;
}
