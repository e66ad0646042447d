#include "dropopener.h"

#include "noteeditor.h"
#include "notefileactions.h"
#include "rollup.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTextEdit>
#include <QUrl>

DropOpener::DropOpener(QWidget *window, RollUp *rollUp, NoteFileActions *files,
                       std::function<QTextEdit *()> currentEditor)
    : QObject(window)
    , m_window(window)
    , m_rollUp(rollUp)
    , m_files(files)
    , m_currentEditor(std::move(currentEditor))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

void DropOpener::watchEditor(QTextEdit *editor)
{
    QObject *viewport = editor->viewport();
    if (m_viewports.contains(viewport))
        return;
    m_viewports.insert(viewport);
    viewport->installEventFilter(this);
    connect(viewport, &QObject::destroyed, this, [this, viewport] { m_viewports.remove(viewport); });
}

bool DropOpener::hasFiles(const QMimeData *mime)
{
    return mime && mime->hasUrls() && !mime->urls().isEmpty();
}

bool DropOpener::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_window) {
        switch (type) {
        case QEvent::DragEnter: {
            m_dragOver = true;
            // The user drags towards the window: it opens to take the drop.
            if (!m_rollUp->isExpanded() && !m_rollUp->isAnimating())
                m_rollUp->toggle();
            auto *drag = static_cast<QDragEnterEvent *>(event);
            if (hasFiles(drag->mimeData()) || drag->mimeData()->hasText() || drag->mimeData()->hasHtml())
                drag->acceptProposedAction();
            return true;
        }
        case QEvent::DragMove:
            static_cast<QDragMoveEvent *>(event)->acceptProposedAction();
            return true;
        case QEvent::DragLeave:
            m_dragOver = false;
            return false;
        case QEvent::Drop: {
            m_dragOver = false;
            auto *drop = static_cast<QDropEvent *>(event);
            if (!NoteEditor::pictureFiles(drop->mimeData()).isEmpty())
                insertPictures(drop->mimeData());
            else if (hasFiles(drop->mimeData()))
                openFiles(drop->mimeData());
            else
                insertText(drop->mimeData());
            drop->acceptProposedAction();
            return true;
        }
        case QEvent::Leave:
            // A drag over a child (a note) is still a drag over the window.
            return m_dragOver;
        default:
            return false;
        }
    }
    if (m_viewports.contains(watched) && (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        // Text and pictures: the editor puts them where they are dropped.
        if (!hasFiles(drop->mimeData()) || !NoteEditor::pictureFiles(drop->mimeData()).isEmpty())
            return false;
        if (type == QEvent::Drop) {
            m_dragOver = false;
            openFiles(drop->mimeData());
        }
        drop->acceptProposedAction();
        return true;
    }
    return false;
}

void DropOpener::openFiles(const QMimeData *mime)
{
    QStringList messages;
    for (const QUrl &url : mime->urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        const QString shown = path.isEmpty() ? url.toDisplayString() : QFileInfo(path).fileName();
        if (path.isEmpty() || !QFileInfo(path).isFile() || !NoteFileActions::isNoteFileName(path)) {
            messages.append(tr("不能打开“%1”：只能打开 .not、.txt 和 .html 文件").arg(shown));
            continue;
        }
        const NoteFileActions::Opened opened = m_files->openPath(path);
        if (!opened.message.isEmpty())
            messages.append(tr("“%1”：%2").arg(shown, opened.message));
    }
    if (!messages.isEmpty())
        emit message(messages.join(QLatin1Char('\n')));
}

void DropOpener::insertPictures(const QMimeData *mime)
{
    auto *editor = qobject_cast<NoteEditor *>(m_currentEditor ? m_currentEditor() : nullptr);
    if (!editor || editor->isReadOnly()) {
        emit message(tr("图片只能放进可以编辑的便签"));
        return;
    }
    for (const QString &file : NoteEditor::pictureFiles(mime))
        editor->insertPictureFile(file);
    editor->setFocus(Qt::OtherFocusReason);
}

void DropOpener::insertText(const QMimeData *mime)
{
    QTextEdit *editor = m_currentEditor ? m_currentEditor() : nullptr;
    if (!editor || editor->isReadOnly())
        return;
    QTextCursor cursor = editor->textCursor();
    if (mime->hasHtml())
        cursor.insertHtml(mime->html());
    else if (mime->hasText())
        cursor.insertText(mime->text());
    editor->setTextCursor(cursor);
    editor->setFocus(Qt::OtherFocusReason);
}
