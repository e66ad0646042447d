#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class NoteDirectory;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

/// The search over all notes: a field and the notes that contain its word,
/// each with its name and a snippet with the match marked, found again at
/// every keystroke. Enter or a click opens the chosen note at its match
/// (NoteDirectory::showMatch) and closes the panel; Up and Down in the field
/// move through the results; Esc closes it. At most MaxShown results are
/// listed; a line says how many more notes match.
class NoteSearchPanel : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxShown = 200;

    NoteSearchPanel(NoteDirectory *directory, QWidget *parent);

    /// Shows the panel over the top of window with the field ready for typing.
    void popUp(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runSearch();
    void openItem(QListWidgetItem *item);

    NoteDirectory *m_directory;
    QLineEdit *m_field;
    QListWidget *m_list;
    QLabel *m_status;
    QList<QPointer<QWidget>> m_pages; // the page of each listed result
};
