// A person at the screen: finds the process's windows and uses their controls with the messages that
// clicks and typing produce, from a thread of its own while the window's thread runs a modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// The process's top-level window with this caption, waiting for it (bounded); null when none appears.
HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs = 10000);
// The process's first visible dialog box window (class #32770), waiting for it (bounded).
HWND WaitForDialog(DWORD timeoutMs = 10000, HWND except = nullptr);
std::wstring WindowText(HWND window);
// Processes the calling thread's messages until the predicate holds (bounded).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Control actions that reach a dialog procedure as a person's actions would.
void ClickButton(HWND dialog, int id);
void SetText(HWND dialog, int id, const std::wstring& text);
void SelectItem(HWND dialog, int id, int index);
void CloseBox(HWND dialog);

// Runs the actions on a thread of its own; join() waits for it.
class Person {
public:
    explicit Person(std::function<void()> actions) : m_Thread(std::move(actions)) {}
    ~Person() {
        if (m_Thread.joinable()) m_Thread.join();
    }
    void join() { m_Thread.join(); }

private:
    std::thread m_Thread;
};
