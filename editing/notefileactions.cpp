#include "notefileactions.h"

#include "notebook.h"
#include "notefile.h"
#include "noteeditor.h"
#include "noteloader.h"
#include "picturestore.h"
#include "recordheader.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>

NoteFileActions::NoteFileActions(Notebook *book, QTabWidget *tabWidget, QWidget *parent)
    : QObject(parent)
    , m_notebook(book)
    , m_tabs(tabWidget)
    , m_dialogParent(parent)
{
    m_chooseOpenPath = [](QWidget *owner) { return QFileDialog::getOpenFileName(owner, tr("选择文件")); };
    m_chooseSavePath = [this](QWidget *owner) {
        const QString name = m_tabs->tabText(m_tabs->currentIndex());
        return QFileDialog::getSaveFileName(owner, tr("保存文件"), suggestedSavePath(name),
                                            tr("Velmo Note (*.not);;所有文件 (*)"));
    };
    m_choosePicturePath = [](QWidget *owner) {
        return QFileDialog::getOpenFileName(owner, tr("插入图片"), QString(),
                                            tr("图片 (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.svg)"));
    };
}

bool NoteFileActions::isNoteFileName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("not") || suffix == QLatin1String("txt") || suffix == QLatin1String("html")
        || suffix == QLatin1String("htm");
}

QString NoteFileActions::suggestedSavePath(const QString &name)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // A name is not a path: characters a file name cannot hold become "_".
    QString file = name.trimmed();
    file.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String(".."))
        file = tr("便签");
    return QDir(folder).filePath(file + QLatin1String(".not"));
}

NoteFileActions::Opened NoteFileActions::open()
{
    const QString name = m_chooseOpenPath(m_dialogParent);
    if (name.isEmpty()) {
        Opened result;
        result.message = tr("没有选择文件");
        return result;
    }
    return openPath(name);
}

NoteFileActions::Opened NoteFileActions::openPath(const QString &name)
{
    Opened result;
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

QString NoteFileActions::addCapture(const QImage &picture, const QDateTime &captured)
{
    auto *editor = qobject_cast<NoteEditor *>(m_notebook->currentEditor());
    if (!editor || editor == m_notebook->homeEditor() || editor->isReadOnly())
        return tr("截图未插入：当前便签是主页或只读");
    RecordHeader::append(editor, captured);
    editor->insertPicture(picture);
    return QString();
}
