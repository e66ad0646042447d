#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class RecentlyDeleted;

/// The "Recently deleted" list: every note in the notebook's trash/ with its
/// name, when it was deleted and its first line, newest first and the newest
/// chosen. Restore (or Enter, or a double click) brings the chosen note back
/// as a fixed tab through RecentlyDeleted; the list then closes.
class TrashListDialog : public QDialog
{
    Q_OBJECT
public:
    TrashListDialog(RecentlyDeleted *trash, QWidget *parent = nullptr);
    ~TrashListDialog() override;

    /// Shows the list over parent until the user restores a note or closes it.
    static void run(RecentlyDeleted *trash, QWidget *parent);

private:
    void restoreChosen();

    RecentlyDeleted *m_trash;
    QTreeWidget *m_list;
    QPushButton *m_restore;
};
