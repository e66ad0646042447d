#include "noteprinter.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTextEdit>

bool NotePrinter::askWithDialog(QPrinter &printer, bool offerSelection, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    if (offerSelection)
        dialog.setOption(QAbstractPrintDialog::PrintSelection);
    dialog.setWindowTitle(tr("打印便签"));
    return dialog.exec() == QDialog::Accepted;
}

bool NotePrinter::print(QTextEdit *editor, QWidget *parent, const Chooser &choose)
{
    if (!editor)
        return false;
    QPrinter printer(QPrinter::HighResolution);
    const bool selection = editor->textCursor().hasSelection();
    const bool accepted = choose ? choose(printer, selection, parent)
                                 : askWithDialog(printer, selection, parent);
    if (!accepted)
        return false;
    // QTextEdit honours a "selection only" choice by itself.
    editor->print(&printer);
    return true;
}
