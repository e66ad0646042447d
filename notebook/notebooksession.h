#pragma once

#include "storesession.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <memory>

class Notebook;
class NotebookSync;
class NoteStateKeeper;
class NoteWidget;
class QDateTime;
class QImage;
class QRect;

/// The notebook's run with its folder: the tab.dat store of this run
/// (StoreSession), keeping the folder in step with other computers while in
/// sync folder mode (NotebookSync), the skin the notebook shows, and the
/// settings tab.dat has no field for, kept beside it (NoteStateKeeper).
///
/// Ownership: it owns the store session and the sync and ends the sync
/// before the store (both are also its QObject children, so that they show in
/// the window's object tree, but deleted here first). The notebook belongs to
/// the window and should outlive this object; the sync lets go of it if not.
/// Paths are relative to folder, the notebook folder.
///
/// Pictures that the notes stop referring to (a note deleted, a picture
/// taken out of a note, a scratch note ending with the program) go to the
/// trash (PictureTrash) once every note has been looked at; pictures a note
/// refers to again come back.
///
/// It shows nothing: what the user should be told comes out as notice() or
/// syncMessage(), for the window to show.
class NotebookSession : public QObject
{
    Q_OBJECT
public:
    NotebookSession(Notebook *notebook, const QString &folder, QObject *parent = nullptr);
    ~NotebookSession() override;

    QString folder() const { return m_folder; }
    /// The tab.dat this run reads and writes.
    QString storePath() const;
    StoreSession *store() const { return m_store.get(); }
    /// The folder's sync, or null when the folder is not in sync folder mode
    /// (a passive one may still guard the note files then).
    NotebookSync *sync() const;
    /// The side file's keeper: desktop notes' settings and reminders, the main window.
    NoteStateKeeper *state() const { return m_keeper.get(); }

    /// Reads tab.dat into the notebook, puts its skin on the desktop notes
    /// and, in sync folder mode, starts keeping the folder in step; its note
    /// files are read after firstFrameShown(), or a second after this anyway.
    void open();
    /// Sticks the current tab on the desktop with the settings its note kept.
    void moveCurrentToScreen();
    /// A capture pinned to the desktop: a new fixed note named by the time
    /// captured, holding picture at full size, on top, its window placed so
    /// that the picture covers place (global, logical) as it did on the
    /// screen. Returns the note.
    NoteWidget *pinPicture(const QImage &picture, const QRect &place, const QDateTime &captured);
    /// Whether a new note is fixed when it is made (kept in the side file,
    /// written with the next save).
    bool keepNewNotes() const;
    void setKeepNewNotes(bool on);
    /// The window showed its first frame.
    void firstFrameShown();

    QString skinPath() const { return m_skinPath; }
    /// The user chose another skin: every desktop note takes it and tab.dat learns it soon.
    void setSkinPath(const QString &path);

    /// The tray menu's sync folder entry. False when the switch failed (and
    /// syncMessage() told why): the mode stays as it was.
    bool setSyncFolder(bool on);

    /// Saves tab.dat (and changed note files) now without telling the user
    /// anything: it also runs when the display is gone, at exit(). Returns
    /// the error (also logged), empty when saved.
    QString saveNow();
    /// The user asked to quit: true when the program may end (a failed
    /// save that would lose something keeps it running, told once).
    bool quitRequested();
    /// The desktop session ends (ending) or asks for data to be saved.
    void saveForSession(bool ending);
    /// Moves the pictures the notes referred to at the last look and no
    /// longer do into the trash, and brings back those they refer to again.
    /// leaving: the scratch notes bound to no file are gone with the program.
    void settlePictures(bool leaving = false);

signals:
    /// What the store has to tell: label for the window, detail for a balloon.
    void notice(const StoreSession::Notice &notice);
    /// What the sync folder mode has to tell: label for the window, detail
    /// (may be empty) for a balloon; problem: something could not be done.
    void syncMessage(const QString &label, const QString &detail, bool problem);
    /// Another skin is to be shown (chosen here or on another computer).
    void skinChanged(const QString &path);
    /// The choice for new notes changed on another computer.
    void keepNewNotesChanged(bool on);

private:
    void startSync(bool passive);
    QSet<QString> pictureNames(bool leaving) const;
    void applySkin(const QString &path);
    void tell(const StoreSession::Notice &what);

    QPointer<Notebook> m_notebook;
    const QString m_folder;
    QString m_skinPath;
    bool m_stateQuitFailureShown = false;
    /// The pictures the notes referred to at the last look.
    QSet<QString> m_pictures;
    QTimer m_pictureLook;
    /// Declared before the store: the store's saves call it until the store is gone.
    std::unique_ptr<NoteStateKeeper> m_keeper;
    std::unique_ptr<StoreSession> m_store;
    /// Declared after the store: ended before it, as it reads the store.
    std::unique_ptr<NotebookSync> m_sync;
};
