#include "pinnedpicture.h"

#include "noteeditor.h"
#include "notewidget.h"
#include "pinframe.h"
#include "swayipc.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QtMath>

namespace {
constexpr char HelperName[] = "pinnedPicture";
// Beside the picture, room for the text cursor after it.
constexpr int CursorRoom = 2;
}

PinnedPicture *PinnedPicture::attach(NoteWidget *note)
{
    if (auto *known = note->findChild<PinnedPicture *>(QLatin1String(HelperName), Qt::FindDirectChildrenOnly))
        return known;
    return new PinnedPicture(note);
}

PinnedPicture::PinnedPicture(NoteWidget *note)
    : QObject(note)
    , m_note(note)
    , m_editor(note->getTextEdit())
{
    setObjectName(QLatin1String(HelperName));
    note->setPinned(true);
    // The picture fills the editor exactly: a scroll bar would push it aside.
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_viewport = m_editor->viewport();
    m_editor->viewport()->installEventFilter(this);
    // A restored note's text (and picture) arrives after the window is up.
    connect(m_editor->document(), &QTextDocument::contentsChanged, this, [this] {
        if (m_waiting && fit(*m_waiting, m_note->isBare()))
            m_waiting.reset();
    });
}

PinnedPicture::~PinnedPicture()
{
    // The editor goes back into the notebook, as an editor again.
    if (m_editor) {
        m_editor->viewport()->removeEventFilter(this);
        m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_editor->setCursorWidth(1);
    }
}

QSize PinnedPicture::pictureSize() const
{
    for (QTextBlock block = m_editor->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                const QTextImageFormat image = format.toImageFormat();
                return QSize(qCeil(image.width()), qCeil(image.height()));
            }
        }
    }
    return QSize();
}

QMargins PinnedPicture::editorInsets() const
{
    const int edge = m_editor->frameWidth() + int(m_editor->document()->documentMargin());
    const int below = m_editor->fontMetrics().descent() + CursorRoom;
    return QMargins(edge, edge, edge + CursorRoom, edge + below);
}

QMargins PinnedPicture::around() const
{
    return NoteWidget::EditorMargins + editorInsets();
}

QPoint PinnedPicture::pictureTopLeft() const
{
    if (m_waiting)
        return *m_waiting;
    return PinFrame::pictureAt(m_note->geometry().topLeft(), around(), m_note->isBare());
}

void PinnedPicture::placePicture(QPoint at)
{
    show(at, m_note->isBare());
}

void PinnedPicture::setBare(bool bare)
{
    show(pictureTopLeft(), bare);
}

void PinnedPicture::restoreLook(bool bare)
{
    show(PinFrame::pictureAt(m_note->geometry().topLeft(), around(), bare), bare);
}

void PinnedPicture::show(QPoint at, bool bare)
{
    if (fit(at, bare)) {
        m_waiting.reset();
    } else {
        m_note->setBare(bare, editorInsets());
        m_waiting = at;
    }
}

bool PinnedPicture::fit(QPoint at, bool bare)
{
    const QSize size = pictureSize();
    if (!size.isValid())
        return false;
    const QSize minimum = bare ? QSize(1, 1) : QSize(NoteWidget::MinWidth, NoteWidget::MinHeight);
    // A capture may be as large as the desktop; the note's usual limits are
    // for notes of text.
    m_note->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_note->setMinimumSize(minimum);
    m_note->setBare(bare, editorInsets());
    // Bare, the note is a picture: no text cursor blinks on it.
    m_editor->setCursorWidth(bare ? 0 : 1);
    SwayIpc::setWindowGeometry(m_note, PinFrame::window(QRect(at, size), around(), bare, minimum));
    m_editor->horizontalScrollBar()->setValue(0);
    m_editor->verticalScrollBar()->setValue(0);
    return true;
}

bool PinnedPicture::eventFilter(QObject *watched, QEvent *event)
{
    // The viewport also gets palette, resize and other events: only the
    // mouse's may be read as mouse events.
    const QEvent::Type type = event->type();
    const bool fromMouse = type == QEvent::MouseButtonDblClick || type == QEvent::MouseButtonPress
        || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
    if (watched != m_viewport || !fromMouse || !m_editor)
        return QObject::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton) {
            auto *editor = qobject_cast<NoteEditor *>(m_editor.data());
            if (editor && !editor->pictureAt(mouse->position().toPoint()).isNull()) {
                m_drag.reset();
                setBare(!m_note->isBare());
                return true;
            }
        }
        break;
    case QEvent::MouseButtonPress:
        if (m_note->isBare() && mouse->button() == Qt::LeftButton) {
            m_drag = mouse->globalPosition().toPoint() - m_note->pos();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (m_drag) {
            SwayIpc::moveWindow(m_note, mouse->globalPosition().toPoint() - *m_drag);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_drag) {
            m_drag.reset();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
