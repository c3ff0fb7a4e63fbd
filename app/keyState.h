#pragma once

// The keys the sheets consult, followed from the window's key events: Ctrl and Shift held, Tab
// held (choosing the "+" tab then goes back to the first sheet), and Delete, Up and Down, which
// reach the sheet once per press however long the key repeats.
class KeyState
{
public:
    // A key went down (or a shortcut override for it arrived). Returns whether the event goes on
    // to the sheet in view and the window: Tab never does, a held Delete, Up or Down only once.
    bool press(int key);
    void release(int key);

    bool ctrl() const { return m_bCtrlKey; }
    bool shift() const { return m_bShiftKey; }
    bool tab() const { return m_bTabKey; }
    // A command that opens a dialog clears Ctrl: its release may go to the dialog.
    void clearCtrl() { m_bCtrlKey = false; }

private:
    bool* flag(int key);

    bool m_bDelKey = false;
    bool m_bTabKey = false;
    bool m_bCtrlKey = false;
    bool m_bShiftKey = false;
    bool m_bUpKey = false;
    bool m_bDownKey = false;
};
