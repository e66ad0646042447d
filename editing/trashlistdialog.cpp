#include "trashlistdialog.h"

#include "recentlydeleted.h"
#include "windowposition.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
/// Where an entry's file is kept on its row.
constexpr int FileRole = Qt::UserRole;
}

TrashListDialog::TrashListDialog(RecentlyDeleted *trash, QWidget *parent)
    : QDialog(parent)
    , m_trash(trash)
{
    setObjectName(QStringLiteral("trashList"));
    setWindowTitle(tr("最近删除"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("trashEntries"));
    m_list->setAccessibleName(tr("最近删除"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("名称"), tr("删除时间"), tr("第一行")});
    m_list->header()->setStretchLastSection(true);
    for (const TrashStore::Entry &entry : trash->entries()) {
        auto *row = new QTreeWidgetItem(m_list, {entry.name, QLocale().toString(entry.deleted, QLocale::ShortFormat),
                                                 entry.firstLine});
        row->setData(0, FileRole, entry.file);
    }
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_restore = buttons->addButton(tr("恢复"), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &TrashListDialog::restoreChosen);
    // Enter reaches the default button (the list passes it on); activated
    // would restore a second time.
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &TrashListDialog::restoreChosen);
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { m_restore->setEnabled(current != nullptr); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(520, 320);
    m_restore->setEnabled(false);
    if (QTreeWidgetItem *newest = m_list->topLevelItem(0))
        m_list->setCurrentItem(newest);
    m_list->setFocus();
}

TrashListDialog::~TrashListDialog() = default;

void TrashListDialog::run(RecentlyDeleted *trash, QWidget *parent)
{
    TrashListDialog list(trash, parent);
    WindowPosition::centreOver(&list, parent);
    list.exec();
}

void TrashListDialog::restoreChosen()
{
    QTreeWidgetItem *chosen = m_list->currentItem();
    if (!chosen)
        return;
    TrashStore::Entry entry;
    entry.file = chosen->data(0, FileRole).toString();
    entry.name = chosen->text(0);
    // Restored or not, the list no longer says what trash/ holds.
    m_trash->restore(entry);
    accept();
}
