#include "findbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char *const BarName = "findBar";
/// After the note changes under the bar, matches are found again this much later.
constexpr int ResearchDelayMs = 150;

QTextCursor rangeCursor(QTextDocument *document, qsizetype start, qsizetype length)
{
    QTextCursor cursor(document);
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    return cursor;
}
}

FindBar *FindBar::existing(QTextEdit *editor)
{
    return editor ? editor->findChild<FindBar *>(QString::fromLatin1(BarName), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

FindBar *FindBar::of(QTextEdit *editor)
{
    if (FindBar *bar = existing(editor))
        return bar;
    return new FindBar(editor);
}

FindBar::FindBar(QTextEdit *editor)
    : QFrame(editor)
    , m_editor(editor)
{
    setObjectName(QString::fromLatin1(BarName));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("FindBar{background:#f2f2f2;border:1px solid #a8a8a8;}"
                                 "QLabel{color:#202020;}"));

    m_findEdit = new QLineEdit(this);
    m_findEdit->setObjectName(QStringLiteral("findField"));
    m_findEdit->setPlaceholderText(tr("查找"));
    m_findEdit->setClearButtonEnabled(false);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("matchCount"));
    m_count->setMinimumWidth(m_count->fontMetrics().horizontalAdvance(QStringLiteral("999/999")));
    m_count->setAlignment(Qt::AlignCenter);
    QToolButton *previous = addButton(QStringLiteral("\u2191"), tr("上一个 (Shift+F3)"), "previousButton");
    QToolButton *next = addButton(QStringLiteral("\u2193"), tr("下一个 (F3)"), "nextButton");
    m_caseButton = addButton(QStringLiteral("Aa"), tr("区分大小写"), "caseButton");
    m_caseButton->setCheckable(true);
    m_wordButton = addButton(QStringLiteral("ab"), tr("全词匹配"), "wordButton");
    m_wordButton->setCheckable(true);
    QToolButton *close = addButton(QStringLiteral("\u00d7"), tr("关闭 (Esc)"), "closeFindButton");

    auto *findRow = new QHBoxLayout;
    findRow->setContentsMargins(0, 0, 0, 0);
    findRow->setSpacing(1);
    findRow->addWidget(m_findEdit, 1);
    findRow->addWidget(m_count);
    for (QToolButton *b : {previous, next, m_caseButton, m_wordButton, close})
        findRow->addWidget(b);

    m_replaceRow = new QWidget(this);
    m_replaceEdit = new QLineEdit(m_replaceRow);
    m_replaceEdit->setObjectName(QStringLiteral("replaceField"));
    m_replaceEdit->setPlaceholderText(tr("替换为"));
    auto *replaceOne = new QToolButton(m_replaceRow);
    replaceOne->setObjectName(QStringLiteral("replaceButton"));
    replaceOne->setText(tr("替换"));
    auto *replaceEvery = new QToolButton(m_replaceRow);
    replaceEvery->setObjectName(QStringLiteral("replaceAllButton"));
    replaceEvery->setText(tr("全部替换"));
    auto *replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->setSpacing(1);
    replaceRow->addWidget(m_replaceEdit, 1);
    replaceRow->addWidget(replaceOne);
    replaceRow->addWidget(replaceEvery);
    m_replaceRow->hide();

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    rows->addLayout(findRow);
    rows->addWidget(m_replaceRow);

    m_findEdit->installEventFilter(this);
    m_replaceEdit->installEventFilter(this);
    editor->installEventFilter(this);

    connect(m_findEdit, &QLineEdit::textEdited, this, [this] {
        // As you type, the search starts again from where it started.
        const qsizetype from = m_current >= 0 ? m_matches.at(m_current).start
                                              : (m_editor ? m_editor->textCursor().selectionStart() : 0);
        search(from, true);
    });
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(close, &QToolButton::clicked, this, &FindBar::dismiss);
    connect(replaceOne, &QToolButton::clicked, this, &FindBar::replaceCurrent);
    connect(replaceEvery, &QToolButton::clicked, this, &FindBar::replaceAll);
    for (QToolButton *option : {m_caseButton, m_wordButton}) {
        connect(option, &QToolButton::toggled, this, [this] {
            search(m_current >= 0 ? m_matches.at(m_current).start : 0, true);
        });
    }

    m_researchTimer.setSingleShot(true);
    m_researchTimer.setInterval(ResearchDelayMs);
    connect(&m_researchTimer, &QTimer::timeout, this, [this] {
        if (isVisible() && m_editor)
            search(m_editor->textCursor().selectionStart(), false);
    });
    m_paintTimer.setSingleShot(true);
    m_paintTimer.setInterval(0);
    connect(&m_paintTimer, &QTimer::timeout, this, &FindBar::paintMatches);
    connect(editor->document(), &QTextDocument::contentsChanged, this, [this] {
        m_textStale = true;
        if (isVisible() && !m_ownEdit)
            m_researchTimer.start();
    });
    connect(editor->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (isVisible() && m_matches.size() > m_painted)
            m_paintTimer.start();
    });
    hide();
}

QToolButton *FindBar::addButton(const QString &text, const QString &tip, const char *name)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

TextMatcher::Options FindBar::options() const
{
    TextMatcher::Options o;
    o.caseSensitive = m_caseButton->isChecked();
    o.wholeWord = m_wordButton->isChecked();
    return o;
}

void FindBar::open(bool replace)
{
    if (!m_editor)
        return;
    const QTextCursor cursor = m_editor->textCursor();
    const QString selected = cursor.selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)
        && !selected.contains(QChar::LineSeparator))
        m_findEdit->setText(selected);
    m_replaceRow->setVisible(replace && !m_editor->isReadOnly());
    if (!isVisible())
        m_atBottom = false;
    const bool wasVisible = isVisible();
    show();
    raise();
    place();
    m_findEdit->setFocus(Qt::ShortcutFocusReason);
    m_findEdit->selectAll();
    if (!wasVisible)
        search(cursor.selectionStart(), false);
}

void FindBar::dismiss()
{
    hide();
    m_researchTimer.stop();
    m_paintTimer.stop();
    m_matches.clear();
    m_current = -1;
    m_painted = 0;
    if (m_editor) {
        m_editor->setExtraSelections({});
        m_editor->setFocus(Qt::OtherFocusReason);
    }
}

void FindBar::search(qsizetype from, bool select)
{
    if (!m_editor)
        return;
    if (m_textStale) {
        m_text = m_editor->document()->toPlainText();
        m_textStale = false;
    }
    m_matches = TextMatcher::findAll(m_text, m_findEdit->text(), options());
    m_current = -1;
    if (!m_matches.isEmpty()) {
        const auto at = std::lower_bound(m_matches.cbegin(), m_matches.cend(), from,
                                         [](const TextMatcher::Match &m, qsizetype pos) { return m.start < pos; });
        m_current = at == m_matches.cend() ? 0 : int(at - m_matches.cbegin());
    }
    if (select && m_current >= 0)
        selectCurrent();
    paintMatches();
    showCount();
}

void FindBar::findNext() { step(1); }
void FindBar::findPrevious() { step(-1); }

void FindBar::step(int by)
{
    if (m_textStale && m_editor)
        search(m_editor->textCursor().selectionStart(), false);
    if (m_matches.isEmpty())
        return;
    const int n = int(m_matches.size());
    // The first step after the bar opens (or the text changed) goes to the
    // match it found, unless that one is already selected.
    const QTextCursor cursor = m_editor->textCursor();
    const TextMatcher::Match &current = m_matches.at(m_current);
    const bool onCurrent = cursor.selectionStart() == current.start
        && cursor.selectionEnd() == current.start + current.length;
    if (onCurrent || by < 0)
        m_current = (m_current + by + n) % n;
    selectCurrent();
    paintMatches();
    showCount();
}

void FindBar::selectCurrent()
{
    const TextMatcher::Match &m = m_matches.at(m_current);
    m_editor->setTextCursor(rangeCursor(m_editor->document(), m.start, m.length));
    m_editor->ensureCursorVisible();
    // The bar lies over the text: keep the match out from under it by
    // scrolling, and where the note cannot scroll so far (its first or last
    // lines), by moving the bar to the other edge.
    const auto covered = [this] {
        const QRect match = m_editor->cursorRect().translated(m_editor->viewport()->pos());
        return geometry().adjusted(0, -2, 0, 2).intersects(match);
    };
    if (!covered())
        return;
    QScrollBar *scroll = m_editor->verticalScrollBar();
    const QRect match = m_editor->cursorRect().translated(m_editor->viewport()->pos());
    if (m_atBottom)
        scroll->setValue(scroll->value() + match.bottom() - y() + 4);
    else
        scroll->setValue(scroll->value() - (geometry().bottom() - match.top() + 4));
    if (covered()) {
        m_atBottom = !m_atBottom;
        place();
    }
}

void FindBar::paintMatches()
{
    if (!m_editor)
        return;
    QList<QTextEdit::ExtraSelection> selections;
    m_painted = 0;
    if (!m_matches.isEmpty()) {
        // The visible text and as much again above and below it.
        const QRect view = m_editor->viewport()->rect();
        const int top = m_editor->cursorForPosition(view.topLeft()).position();
        const int bottom = m_editor->cursorForPosition(view.bottomRight()).position();
        const int span = qMax(bottom - top, 1000);
        const qsizetype from = qMax(0, top - span);
        const qsizetype to = qsizetype(bottom) + span;
        auto first = std::lower_bound(m_matches.cbegin(), m_matches.cend(), from,
                                      [](const TextMatcher::Match &m, qsizetype pos) { return m.start < pos; });
        QTextCharFormat other;
        other.setBackground(QColor(255, 236, 120));
        QTextCharFormat current;
        current.setBackground(QColor(255, 160, 60));
        QTextDocument *document = m_editor->document();
        for (auto it = first; it != m_matches.cend() && it->start <= to && m_painted < MaxPainted; ++it) {
            const bool isCurrent = it - m_matches.cbegin() == m_current;
            selections.append({rangeCursor(document, it->start, it->length), isCurrent ? current : other});
            ++m_painted;
        }
    }
    m_editor->setExtraSelections(selections);
}

void FindBar::showCount()
{
    if (m_findEdit->text().isEmpty())
        m_count->clear();
    else
        m_count->setText(QStringLiteral("%1/%2").arg(m_current + 1).arg(m_matches.size()));
}

void FindBar::replaceCurrent()
{
    if (!m_editor || m_editor->isReadOnly())
        return;
    if (m_textStale)
        search(m_editor->textCursor().selectionStart(), false);
    if (m_current < 0)
        return;
    const TextMatcher::Match m = m_matches.at(m_current);
    QTextCursor cursor = m_editor->textCursor();
    // The first press shows what would be replaced; the next one replaces it.
    if (cursor.selectionStart() != m.start || cursor.selectionEnd() != m.start + m.length) {
        selectCurrent();
        paintMatches();
        return;
    }
    m_ownEdit = true;
    cursor.insertText(m_replaceEdit->text());
    m_ownEdit = false;
    m_editor->setTextCursor(cursor);
    search(cursor.position(), true);
}

void FindBar::replaceAll()
{
    if (!m_editor || m_editor->isReadOnly())
        return;
    search(0, false);
    if (m_matches.isEmpty())
        return;
    const QString replacement = m_replaceEdit->text();
    QTextCursor cursor(m_editor->document());
    m_ownEdit = true;
    cursor.beginEditBlock();
    // From the end, so that the positions still to come stay where they were.
    for (auto it = m_matches.crbegin(); it != m_matches.crend(); ++it) {
        cursor.setPosition(int(it->start));
        cursor.setPosition(int(it->start + it->length), QTextCursor::KeepAnchor);
        cursor.insertText(replacement);
    }
    cursor.endEditBlock();
    m_ownEdit = false;
    search(0, false);
}

void FindBar::place()
{
    if (!m_editor)
        return;
    const int frame = m_editor->frameWidth();
    int width = m_editor->width() - 2 * frame;
    if (m_editor->verticalScrollBar()->isVisible())
        width -= m_editor->verticalScrollBar()->width();
    const int height = sizeHint().height();
    int y = frame;
    if (m_atBottom) {
        y = m_editor->height() - frame - height;
        if (m_editor->horizontalScrollBar()->isVisible())
            y -= m_editor->horizontalScrollBar()->height();
    }
    setGeometry(frame, qMax(y, frame), qMax(width, 0), height);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor) {
        if (event->type() == QEvent::Resize && isVisible())
            place();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    switch (key->key()) {
    case Qt::Key_Escape:
        dismiss();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (watched == m_replaceEdit && !shift)
            replaceCurrent();
        else
            step(shift ? -1 : 1);
        return true;
    case Qt::Key_F3:
        step(shift ? -1 : 1);
        return true;
    default:
        return QFrame::eventFilter(watched, event);
    }
}
