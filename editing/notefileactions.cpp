#include "notefileactions.h"

#include "notebook.h"
#include "notefile.h"
#include "noteeditor.h"
#include "noteloader.h"
#include "picturestore.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTabWidget>
#include <QTextEdit>

NoteFileActions::NoteFileActions(Notebook *book, QTabWidget *tabWidget, QWidget *parent)
    : QObject(parent)
    , m_notebook(book)
    , m_tabs(tabWidget)
    , m_dialogParent(parent)
{
    m_chooseOpenPath = [](QWidget *owner) { return QFileDialog::getOpenFileName(owner, tr("选择文件")); };
    m_chooseSavePath = [](QWidget *owner) { return QFileDialog::getSaveFileName(owner, tr("保存文件")); };
    m_choosePicturePath = [](QWidget *owner) {
        return QFileDialog::getOpenFileName(owner, tr("插入图片"), QString(),
                                            tr("图片 (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.svg)"));
    };
}

NoteFileActions::Opened NoteFileActions::open()
{
    Opened result;
    const QString name = m_chooseOpenPath(m_dialogParent);
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
    // Pictures the file carries go into the notebook's store.
    QStringList problems;
    if (file.format == NoteFile::Format::Html && file.text.contains(QLatin1String("data:image/png;base64,")))
        file.text = PictureStore(QDir::currentPath()).adopt(file.text, &problems);
    auto *editor = new NoteEditor;
    m_notebook->addOpenedEditor(editor, QFileInfo(name).baseName());
    // The note font of a new tab: relative sizes (headings) and text without
    // a font of its own come back as they were saved.
    editor->setFont(QFont(tr("calibri"), 16));
    editor->setAcceptRichText(true);
    m_tabs->setCurrentWidget(editor);
    NoteLoader::fill(editor, std::move(file.text), file.format == NoteFile::Format::PlainText);
    editor->moveCursor(QTextCursor::Start);
    m_notebook->bindNoteFile(editor, name);
    // Just read: nothing to write back until the user changes the text.
    m_notebook->noteFileWritten(editor);
    result.editor = editor;
    if (!problems.isEmpty())
        result.message = problems.join(QLatin1Char('\n'));
    return result;
}

QString NoteFileActions::save()
{
    QTextEdit *editor = m_notebook->currentEditor();
    if (!editor)
        return QString();
    QString path = m_notebook->noteFile(editor);
    if (path.isEmpty())
        path = m_chooseSavePath(m_dialogParent);
    if (path.isEmpty())
        return tr("未选择文件");
    path = NoteFile::savePath(path);
    const QString error = m_notebook->saveNoteFile(editor, path);
    if (!error.isEmpty())
        return tr("保存文件出错");
    m_notebook->noteFileWritten(editor);
    m_notebook->bindNoteFile(editor, path);
    return tr("已保存便签内容");
}

QString NoteFileActions::insertPicture()
{
    auto *editor = qobject_cast<NoteEditor *>(m_notebook->currentEditor());
    if (!editor || editor->isReadOnly())
        return tr("当前便签不能插入图片");
    const QString path = m_choosePicturePath(m_dialogParent);
    if (path.isEmpty())
        return QString();
    // A failure is told by the editor's pictureProblem().
    editor->insertPictureFile(path);
    editor->setFocus();
    return QString();
}
