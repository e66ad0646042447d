#include "notefileactions.h"

#include "htmlnesting.h"
#include "notebook.h"
#include "notefile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTabWidget>
#include <QTextEdit>

NoteFileActions::NoteFileActions(Notebook *book, QTabWidget *tabWidget, QWidget *parent)
    : QObject(parent)
    , notebook(book)
    , tabs(tabWidget)
    , dialogParent(parent)
{
    chooseOpenPath = [](QWidget *owner) { return QFileDialog::getOpenFileName(owner, tr("选择文件")); };
    chooseSavePath = [](QWidget *owner) { return QFileDialog::getSaveFileName(owner, tr("保存文件")); };
}

NoteFileActions::Opened NoteFileActions::open()
{
    Opened result;
    const QString name = chooseOpenPath(dialogParent);
    if (name.isEmpty()) {
        result.message = tr("没有选择文件");
        return result;
    }
    // Read first: a file that is not a note (binary, huge) never gets a tab.
    NoteFile::ReadResult file = NoteFile::read(name);
    if (!file.ok) {
        // Too large for the editor: say so, with the sizes, rather than a bare refusal.
        result.message = file.tooLarge ? file.error : tr("无法打开该文件");
        return result;
    }
    auto *editor = new QTextEdit;
    notebook->addOpenedEditor(editor, QFileInfo(name).baseName());
    // The note font of a new tab: relative sizes (headings) and text without
    // a font of its own come back as they were saved.
    editor->setFont(QFont(tr("calibri"), 16));
    editor->setAcceptRichText(true);
    tabs->setCurrentWidget(editor);
    if (file.format == NoteFile::Format::PlainText) {
        // Never through the HTML reader: it would run every line into one
        // paragraph, which takes seconds per megabyte to lay out.
        editor->setPlainText(file.text);
    } else {
        // A note file may nest tables deeper than the layout survives.
        editor->setHtml(HtmlNesting::limit(file.text));
    }
    file.text = QString();
    editor->moveCursor(QTextCursor::Start);
    notebook->bindNoteFile(editor, name);
    // Just read: nothing to write back until the user changes the text.
    notebook->noteFileWritten(editor);
    result.editor = editor;
    return result;
}

QString NoteFileActions::save()
{
    QTextEdit *editor = notebook->currentEditor();
    if (!editor)
        return QString();
    QString path = notebook->noteFile(editor);
    if (path.isEmpty())
        path = chooseSavePath(dialogParent);
    if (path.isEmpty())
        return tr("未选择文件");
    path = NoteFile::savePath(path);
    const QString error = NoteFile::write(path, editor->toHtml());
    if (!error.isEmpty())
        return tr("保存文件出错");
    notebook->noteFileWritten(editor);
    notebook->bindNoteFile(editor, path);
    return tr("已保存便签内容");
}
