#pragma once

#include <QCoreApplication>

#include <functional>

class QPrinter;
class QTextEdit;
class QWidget;

/// Prints a note: the user picks the printer (and, when text is selected,
/// may pick "selection only") in the system's print dialog, then the
/// editor's document goes to that printer.
class NotePrinter
{
    Q_DECLARE_TR_FUNCTIONS(NotePrinter)
public:
    /// Sets up printer; returns false when the user cancelled.
    using Chooser = std::function<bool(QPrinter &printer, bool offerSelection, QWidget *parent)>;

    /// Returns whether anything was printed. A null chooser means the print dialog.
    static bool print(QTextEdit *editor, QWidget *parent, const Chooser &choose = nullptr);
    /// The print dialog, titled "打印便签", offering the selection when asked.
    static bool askWithDialog(QPrinter &printer, bool offerSelection, QWidget *parent);
};
