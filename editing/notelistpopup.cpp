#include "notelistpopup.h"

#include "notedirectory.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace {
constexpr int ColumnWidth = 170;
constexpr int MaxColumns = 5;
constexpr int MaxRows = 24;
}

NoteListPopup::NoteListPopup(NoteDirectory *directory, QWidget *parent)
    // A frameless tool window rather than a Qt::Popup: pop-ups are left out
    // of the accessibility tree, and the list must be reachable there too.
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint)
    , m_directory(directory)
    , m_filter(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("noteListPopup"));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    m_filter->setObjectName(QStringLiteral("noteListFilter"));
    m_filter->setPlaceholderText(tr("按名称筛选"));
    m_filter->setAccessibleName(tr("按名称筛选便签"));
    m_list->setObjectName(QStringLiteral("noteList"));
    m_list->setAccessibleName(tr("便签列表"));
    // Names run down the columns: a hundred notes fit without scrolling.
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setTextElideMode(Qt::ElideRight);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);

    m_filter->installEventFilter(this);
    connect(m_filter, &QLineEdit::textChanged, this, &NoteListPopup::applyFilter);
    connect(m_list, &QListWidget::itemClicked, this, &NoteListPopup::choose);
}

void NoteListPopup::fill()
{
    m_list->clear();
    m_pages.clear();
    for (const NoteDirectory::Entry &entry : m_directory->entries()) {
        auto *item = new QListWidgetItem(tr("%1（%2）").arg(entry.name, NoteDirectory::kindName(entry.kind)));
        item->setToolTip(item->text());
        item->setData(Qt::UserRole, entry.name);
        item->setSizeHint(QSize(ColumnWidth, m_list->fontMetrics().height() + 4));
        m_list->addItem(item);
        m_pages.append(entry.page);
    }
}

void NoteListPopup::popUp(const QRect &anchor)
{
    m_filter->clear();
    fill();
    const int rowHeight = m_list->fontMetrics().height() + 4;
    const int count = qMax(1, m_list->count());
    const int columns = qBound(1, (count + MaxRows - 1) / MaxRows, MaxColumns);
    const int rows = qMin(count, qMax(MaxRows, (count + columns - 1) / columns));
    const QSize wanted(columns * ColumnWidth + 16, rows * rowHeight + m_filter->sizeHint().height() + 20);
    const QScreen *screen = QGuiApplication::screenAt(anchor.center());
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    QRect place(QPoint(anchor.right() - wanted.width(), anchor.bottom()), wanted.boundedTo(room.size()));
    place.moveLeft(qBound(room.left(), place.left(), room.right() - place.width()));
    place.moveTop(qBound(room.top(), place.top(), room.bottom() - place.height()));
    setGeometry(place);
    show();
    raise();
    activateWindow();
    m_filter->setFocus(Qt::PopupFocusReason);
}

void NoteListPopup::applyFilter(const QString &text)
{
    bool first = true;
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        const bool shown = text.isEmpty() || item->data(Qt::UserRole).toString().contains(text, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && first) {
            m_list->setCurrentItem(item);
            first = false;
        }
    }
}

void NoteListPopup::choose(QListWidgetItem *item)
{
    const int row = item ? m_list->row(item) : -1;
    if (row < 0 || row >= m_pages.size())
        return;
    QPointer<QWidget> page = m_pages.at(row);
    hide();
    if (page)
        m_directory->show(page);
}

bool NoteListPopup::event(QEvent *event)
{
    // It closes as a pop-up does: when another window takes the keys.
    if (event->type() == QEvent::WindowDeactivate)
        hide();
    return QFrame::event(event);
}

void NoteListPopup::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QFrame::keyPressEvent(event);
}

bool NoteListPopup::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose(m_list->currentItem());
            return true;
        }
        const int step = key->key() == Qt::Key_Down ? 1 : key->key() == Qt::Key_Up ? -1 : 0;
        for (int row = m_list->currentRow() + step; step != 0 && row >= 0 && row < m_list->count(); row += step) {
            if (!m_list->item(row)->isHidden()) {
                m_list->setCurrentRow(row);
                return true;
            }
        }
    }
    return QFrame::eventFilter(watched, event);
}
