#pragma once

// Helpers for driving dialogs offscreen.

#include <QApplication>
#include <QImage>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

// Failures show a text as text, not as the bytes of its characters.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace zandrel {
class TemplateDialog;
}

namespace zandrel::test {

// Runs `step` as soon as the event loop turns, typically inside a modal dialog's loop.
void Soon(std::function<void()> step);

// The modal dialog on top, or null.
QWidget* TopModal();

// Delivers the pending events and paints.
void Settle();

// What the widget shows now.
QImage Grab(QWidget& widget);

// Clicks the button `id` of `dialog` and delivers what the click set off.
void ClickButton(TemplateDialog& dialog, int id);

// Presses a key in the widget that has the focus within `window`.
void PressKey(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The mouse moved to `at` in `widget` with no button held.
void MoveMouse(QWidget& widget, QPoint at);

// A left click at `at` in `widget`.
void ClickAt(QWidget& widget, QPoint at);

// Pressed at `from`, moved to `to` in one step and released there.
void Drag(QWidget& widget, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton);

// Puts the current folder back, which every confirmed file question moves.
class KeepCurrentFolder {
public:
    KeepCurrentFolder() = default;
    KeepCurrentFolder(const KeepCurrentFolder&) = delete;
    KeepCurrentFolder& operator=(const KeepCurrentFolder&) = delete;
    ~KeepCurrentFolder() { std::filesystem::current_path(m_start); }

private:
    // A test before may have left the current folder in a temporary folder that has
    // gone since; the system's temporary folder stands in for it then.
    static std::filesystem::path Start() {
        std::error_code gone;
        std::filesystem::path start = std::filesystem::current_path(gone);
        if (!gone) return start;
        start = std::filesystem::temp_directory_path();
        std::filesystem::current_path(start);
        return start;
    }

    const std::filesystem::path m_start = Start();
};

}  // namespace zandrel::test
