#pragma once

#include <QObject>
#include <QString>

class QDateTime;
class QImage;

#include <functional>

class Notebook;
class QTabWidget;
class QTextEdit;
class QWidget;

/// Opening a note file into a new tab, saving the current tab to its
/// note file, and putting a picture file into the current note. A tab opened from a file or saved to one stays bound to it
/// (the notebook keeps the binding): later saves go there without asking.
/// Saves always write a ".not" file, replacing it whole or not at all.
/// Each command returns the notice the main window shows.
class NoteFileActions : public QObject
{
    Q_OBJECT
public:
    /// Asks for a path; an empty one means cancelled.
    using PathChooser = std::function<QString(QWidget *parent)>;

    struct Opened
    {
        QString message;            // empty when the note opened
        QTextEdit *editor = nullptr; // the new tab's editor
    };

    /// tabs: the notebook's tab widget, where an opened note becomes current;
    /// dialogParent: the window the file dialogs belong to (also our parent).
    NoteFileActions(Notebook *notebook, QTabWidget *tabs, QWidget *dialogParent);

    void setOpenChooser(PathChooser chooser) { m_chooseOpenPath = std::move(chooser); }
    void setSaveChooser(PathChooser chooser) { m_chooseSavePath = std::move(chooser); }
    void setPictureChooser(PathChooser chooser) { m_choosePicturePath = std::move(chooser); }

    Opened open();
    /// Opens the note file path as open() opens the chosen one.
    Opened openPath(const QString &path);
    /// Whether path names a kind of file a note can be opened from (.not,
    /// .txt, .html, .htm), by its suffix.
    static bool isNoteFileName(const QString &path);
    /// Where the save dialog starts for a note named name: the user's
    /// documents folder (home when there is none), name.not.
    static QString suggestedSavePath(const QString &name);
    QString save();
    /// Asks for a picture file and puts it at the current note's cursor.
    QString insertPicture();
    /// A capture's picture to the end of the current note, under a record
    /// of when it was taken. Returns why not, or nothing.
    QString addCapture(const QImage &picture, const QDateTime &captured);

private:
    Notebook *m_notebook;
    QTabWidget *m_tabs;
    QWidget *m_dialogParent;
    PathChooser m_chooseOpenPath;
    PathChooser m_chooseSavePath;
    PathChooser m_choosePicturePath;
};
