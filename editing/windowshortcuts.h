#pragma once

#include <functional>

class FormatBar;
class MenuDialog;
class QAbstractButton;
class QTextEdit;
class QWidget;

/// The main window's own keys: Ctrl+N (the add button), Ctrl+S and Ctrl+O
/// (the menu panel's save and open), Ctrl+P (the toolbar's print button) and
/// Ctrl+F / Ctrl+H for the current note when the keys are not in it. Keys a
/// note editor takes itself are EditorBehaviour's.
///
/// A button that gets a key shows it in its tool tip; its accessible
/// description keeps the bare name, and the key reaches assistive tools as
/// the button's key binding.
class WindowShortcuts
{
public:
    struct Targets
    {
        QAbstractButton *newNote = nullptr;
        MenuDialog *menu = nullptr;
        FormatBar *formatBar = nullptr;
        std::function<QTextEdit *()> currentEditor;
    };

    static void install(QWidget *window, const Targets &targets);
};
