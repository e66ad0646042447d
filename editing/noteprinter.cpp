#include "noteprinter.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextEdit>

bool NotePrinter::print(QTextEdit *editor, QWidget *parent, const QString &name)
{
    if (!editor)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    // Qt's print dialog names the PDF file after the document.
    if (!name.trimmed().isEmpty())
        printer.setDocName(name.trimmed());
    QPrintDialog dialog(&printer, parent);
    if (editor->textCursor().hasSelection())
        dialog.setOption(QAbstractPrintDialog::PrintSelection);
    dialog.setWindowTitle(tr("打印便签"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // QTextEdit honours a "selection only" choice by itself.
    editor->print(&printer);
    return true;
}
