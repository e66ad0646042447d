#pragma once

#include <QCoreApplication>
#include <QString>

class QTextEdit;
class QWidget;

/// Prints a note: the user picks the printer (and, when text is selected,
/// may pick "selection only") in the system's print dialog, then the
/// editor's document goes to that printer.
class NotePrinter
{
    Q_DECLARE_TR_FUNCTIONS(NotePrinter)
public:
    /// Returns whether anything was printed (false: cancelled). name: the
    /// note's name, which printing to a PDF file proposes as the file's.
    static bool print(QTextEdit *editor, QWidget *parent, const QString &name = QString());
};
