#include "notesearchpanel.h"

#include "notedirectory.h"
#include "searchresultdelegate.h"
#include "searchsnippet.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

NoteSearchPanel::NoteSearchPanel(NoteDirectory *directory, QWidget *parent)
    : QDialog(parent, Qt::Tool)
    , m_directory(directory)
    , m_field(new QLineEdit(this))
    , m_list(new QListWidget(this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("noteSearchPanel"));
    setWindowTitle(tr("搜索所有便签"));
    m_field->setObjectName(QStringLiteral("noteSearchField"));
    m_field->setPlaceholderText(tr("在所有便签中搜索"));
    m_field->setAccessibleName(tr("搜索所有便签"));
    m_field->setClearButtonEnabled(true);
    m_list->setObjectName(QStringLiteral("noteSearchResults"));
    m_list->setAccessibleName(tr("搜索结果"));
    m_list->setItemDelegate(new SearchResultDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_status->setObjectName(QStringLiteral("noteSearchStatus"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(m_field);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);
    resize(420, 360);

    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textChanged, this, &NoteSearchPanel::runSearch);
    connect(m_field, &QLineEdit::returnPressed, this, [this] { openItem(m_list->currentItem()); });
    connect(m_list, &QListWidget::itemClicked, this, &NoteSearchPanel::openItem);
}

void NoteSearchPanel::popUp(QWidget *window)
{
    if (window && window->isVisible())
        move(window->geometry().center().x() - width() / 2, window->geometry().top());
    show();
    raise();
    activateWindow();
    m_field->setFocus(Qt::OtherFocusReason);
    m_field->selectAll();
    // Notes changed since the last search show as they are now.
    runSearch();
}

void NoteSearchPanel::runSearch()
{
    const QString word = m_field->text();
    const NoteSearch::Result result = m_directory->search(word, MaxShown);
    // One pass over the entries names every hit.
    QHash<QWidget *, NoteDirectory::Entry> entries;
    if (!result.shown.isEmpty()) {
        for (const NoteDirectory::Entry &entry : m_directory->entries())
            entries.insert(entry.page, entry);
    }
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    m_pages.clear();
    for (const NoteSearch::Hit &hit : result.shown) {
        auto *page = reinterpret_cast<QWidget *>(hit.key);
        const NoteDirectory::Entry entry = entries.value(page);
        const SearchSnippet snippet = SearchSnippet::around(m_directory->textOf(hit.key), hit.start, hit.length);
        auto *item = new QListWidgetItem(tr("%1：%2").arg(entry.name, snippet.text));
        item->setData(SearchResultDelegate::NameRole,
                      tr("%1（%2）").arg(entry.name, NoteDirectory::kindName(entry.kind)));
        item->setData(SearchResultDelegate::SnippetRole, snippet.text);
        item->setData(SearchResultDelegate::MatchStartRole, int(snippet.matchStart));
        item->setData(SearchResultDelegate::MatchLengthRole, int(snippet.matchLength));
        m_list->addItem(item);
        m_pages.append(page);
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    m_list->setUpdatesEnabled(true);
    if (word.isEmpty())
        m_status->setText(QString());
    else if (result.total == 0)
        m_status->setText(tr("没有找到“%1”").arg(word));
    else if (result.total > result.shown.size())
        m_status->setText(tr("%1 个便签含有“%2”，另有 %3 个未列出")
                              .arg(result.total).arg(word).arg(result.total - result.shown.size()));
    else
        m_status->setText(tr("%1 个便签含有“%2”").arg(result.total).arg(word));
}

void NoteSearchPanel::openItem(QListWidgetItem *item)
{
    const int row = item ? m_list->row(item) : -1;
    if (row < 0 || row >= m_pages.size() || !m_pages.at(row))
        return;
    QWidget *page = m_pages.at(row);
    const QString word = m_field->text();
    hide();
    m_directory->showMatch(page, word);
}

bool NoteSearchPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int step = key->key() == Qt::Key_Down ? 1 : key->key() == Qt::Key_Up ? -1 : 0;
        if (step != 0 && m_list->count() > 0) {
            m_list->setCurrentRow(qBound(0, m_list->currentRow() + step, m_list->count() - 1));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
