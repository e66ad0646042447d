#include "editorbehaviour.h"

#include "findbar.h"
#include "listformat.h"
#include "tablenavigation.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextList>
#include <QTextTable>

namespace {
const char *const BehaviourName = "editorBehaviour";

bool isCtrl(const QKeyEvent *key, int code, bool shift = false)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return key->key() == code
        && mods == (shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
}
}

EditorBehaviour::EditorBehaviour(QTextEdit *editor)
    : QObject(editor)
    , m_editor(editor)
    , m_viewport(editor->viewport())
{
    setObjectName(QString::fromLatin1(BehaviourName));
    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
}

void EditorBehaviour::attach(QTextEdit *editor)
{
    if (editor && !isAttached(editor))
        new EditorBehaviour(editor);
}

bool EditorBehaviour::isAttached(QTextEdit *editor)
{
    return editor->findChild<EditorBehaviour *>(QString::fromLatin1(BehaviourName), Qt::FindDirectChildrenOnly);
}

void EditorBehaviour::find(QTextEdit *editor, bool replace)
{
    if (editor)
        FindBar::of(editor)->open(replace);
}

void EditorBehaviour::clearUndoably(QTextEdit *editor)
{
    if (!editor)
        return;
    QTextCursor all(editor->document());
    all.select(QTextCursor::Document);
    all.removeSelectedText();
}

bool EditorBehaviour::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport) {
        if (event->type() == QEvent::MouseButtonPress)
            return handleMarkerClick(static_cast<QMouseEvent *>(event));
        return false;
    }
    if (watched != m_editor)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Ours before any window shortcut: the editor has the keys.
        if (handleKey(static_cast<QKeyEvent *>(event), false)) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent *>(event), true);
    default:
        return false;
    }
}

bool EditorBehaviour::handleKey(const QKeyEvent *key, bool act)
{
    // Keys the find bar's fields did not take come on to the editor: only
    // the find keys apply to those.
    QWidget *focus = QApplication::focusWidget();
    const FindBar *bar = FindBar::existing(m_editor);
    const bool inEditor = !(focus && bar && bar->isAncestorOf(focus));

    const auto run = [act](auto &&what) {
        if (act)
            what();
        return true;
    };
    if (isCtrl(key, Qt::Key_F))
        return run([this] { find(m_editor, false); });
    if (isCtrl(key, Qt::Key_H))
        return run([this] { find(m_editor, true); });
    if (key->key() == Qt::Key_F3 && !(key->modifiers() & Qt::ControlModifier)) {
        const bool back = key->modifiers() & Qt::ShiftModifier;
        return run([this, back] {
            FindBar *bar = FindBar::existing(m_editor);
            if (!bar || !bar->isVisible())
                find(m_editor, false);
            else if (back)
                bar->findPrevious();
            else
                bar->findNext();
        });
    }
    if (!inEditor)
        return false;
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        return run([this] {
            if (FindBar *bar = FindBar::existing(m_editor); bar && bar->isVisible())
                bar->dismiss();
        });
    }
    if (isCtrl(key, Qt::Key_Z))
        return run([this] { m_editor->undo(); });
    if (isCtrl(key, Qt::Key_Y) || isCtrl(key, Qt::Key_Z, true))
        return run([this] { m_editor->redo(); });

    if (m_editor->isReadOnly())
        return false;
    if (isCtrl(key, Qt::Key_B))
        return run([this] { toggleFormat(QTextFormat::FontWeight); });
    if (isCtrl(key, Qt::Key_I))
        return run([this] { toggleFormat(QTextFormat::FontItalic); });
    if (isCtrl(key, Qt::Key_U))
        return run([this] { toggleFormat(QTextFormat::TextUnderlineStyle); });
    if (isCtrl(key, Qt::Key_L, true))
        return run([this] { ListFormat::apply(m_editor->textCursor(), ListFormat::Kind::Checklist); });
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier)
        return handleTab(true, act);
    if (key->key() == Qt::Key_Backtab)
        return handleTab(false, act);
    if (act && key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier)
        return handleTypedListStart();
    return false;
}

void EditorBehaviour::toggleFormat(int property)
{
    const QTextCharFormat now = m_editor->currentCharFormat();
    QTextCharFormat format;
    switch (property) {
    case QTextFormat::FontWeight:
        format.setFontWeight(now.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
        break;
    case QTextFormat::FontItalic:
        format.setFontItalic(!now.fontItalic());
        break;
    default:
        format.setFontUnderline(!now.fontUnderline());
        break;
    }
    // Unlike the toolbar buttons, a key without a selection sets the format
    // for what is typed next, as in every editor.
    m_editor->mergeCurrentCharFormat(format);
}

bool EditorBehaviour::handleTab(bool forward, bool act)
{
    QTextCursor cursor = m_editor->textCursor();
    QTextTable *table = cursor.currentTable();
    if (!table)
        return false;
    if (!act)
        return true;
    const QTextTableCell cell = table->cellAt(cursor);
    const int column = forward ? cell.column() + cell.columnSpan() - 1 : cell.column();
    const TableNavigation::Step step = TableNavigation::step(
        cell.row(), column, table->rows(), table->columns(),
        forward ? TableNavigation::Direction::Forward : TableNavigation::Direction::Backward);
    if (!step.moves)
        return true;
    if (step.appendRow)
        table->appendRows(1);
    const QTextTableCell target = table->cellAt(step.row, step.column);
    if (!target.isValid())
        return true;
    m_editor->setTextCursor(target.firstCursorPosition());
    return true;
}

bool EditorBehaviour::handleTypedListStart()
{
    QTextCursor cursor = m_editor->textCursor();
    if (cursor.hasSelection() || cursor.block().textList() || cursor.currentTable())
        return false;
    const QTextBlock block = cursor.block();
    const QString typed = block.text().left(cursor.position() - block.position());
    bool checked = false;
    const ListFormat::Kind kind = ListFormat::typedStart(typed, &checked);
    if (kind == ListFormat::Kind::None)
        return false;
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    ListFormat::apply(cursor, kind);
    if (checked)
        ListFormat::toggleCheck(cursor.block());
    cursor.endEditBlock();
    m_editor->setTextCursor(cursor);
    return true;
}

bool EditorBehaviour::handleMarkerClick(const QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_editor->isReadOnly())
        return false;
    const QPoint at = event->position().toPoint();
    const QTextBlock block = m_editor->cursorForPosition(at).block();
    if (ListFormat::kindOf(block) != ListFormat::Kind::Checklist || !block.layout()
        || block.layout()->lineCount() == 0)
        return false;
    // Qt draws the box in the indent left of the item's first line and does
    // not tick it: the box is hit when the click is in that line, left of
    // its text and within the list's indent.
    const QPointF origin = block.layout()->position();
    const QTextLine line = block.layout()->lineAt(0);
    const QPointF doc(at.x() + m_editor->horizontalScrollBar()->value(),
                      at.y() + m_editor->verticalScrollBar()->value());
    const qreal textLeft = origin.x() + line.x();
    const qreal top = origin.y() + line.y();
    const qreal indent = m_editor->document()->indentWidth() * block.textList()->format().indent();
    if (doc.y() < top || doc.y() > top + line.height() || doc.x() >= textLeft
        || doc.x() < textLeft - indent)
        return false;
    return ListFormat::toggleCheck(block);
}
