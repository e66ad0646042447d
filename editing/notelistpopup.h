#pragma once

#include <QFrame>
#include <QList>
#include <QPointer>

class NoteDirectory;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

/// The list of every note, opened by the button at the end of the tab bar:
/// each note's name with its kind, in columns so that a hundred notes show
/// at once, and a filter field that has the keys. A click, or Enter on the
/// first note left by the filter, shows that note (NoteDirectory::show) and
/// closes the list. It closes like a pop-up: Esc, or another window taking the keys.
class NoteListPopup : public QFrame
{
    Q_OBJECT
public:
    explicit NoteListPopup(NoteDirectory *directory, QWidget *parent = nullptr);

    /// Fills the list and shows it below anchor (global coordinates), on screen.
    void popUp(const QRect &anchor);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void applyFilter(const QString &text);
    void choose(QListWidgetItem *item);

    NoteDirectory *m_directory;
    QLineEdit *m_filter;
    QListWidget *m_list;
    QList<QPointer<QWidget>> m_pages;
};
