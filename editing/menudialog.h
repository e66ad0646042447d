#pragma once

#include <QDialog>
#include <QPixmap>

class QPropertyAnimation;
class QToolBar;
class QToolButton;

/// The floating menu panel of the main window: sixteen icon buttons for the
/// commands that are not on the formatting toolbar. It does no work itself:
/// each button emits one signal for the main window and then (except quit and
/// close) the panel hides at once. It unfolds and folds itself when the main
/// window asks; it paints itself and places its rows.
class MenuDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PanelWidth = 130;
    static constexpr int PanelHeight = 242;

    static constexpr int FoldMs = 360;

    explicit MenuDialog(QWidget *parent = nullptr);
    ~MenuDialog() override;

    /// Unfolds from nothing at the top centre of window (global coordinates)
    /// to its full size, below that point.
    void unfoldFrom(const QRect &window);
    /// Folds into its top-left corner, then closes.
    void fold();
    /// Checks the "keep new notes" entry without reporting it.
    void setKeepNewNotes(bool on);

signals:
    void sigClean();
    void sigAlign(char alignment);
    void sigAbout();
    void sigSave();
    void sigOpen();
    void sigHide(bool on);
    void sigQuit();
    void sigCloseMenu();
    void sigFixed();
    void sigNotFixed();
    void sigPicture();
    void sigSearch();
    void sigKeepNewNotes(bool on);
    void sigRecentlyDeleted();

public slots:
    void clean();
    void alignLeft();
    void alignMid();
    void alignRight();
    void about();
    void save();
    void open();
    void autoHide(bool on);
    void closeMenu();
    void fixed();
    void notFixed();
    void picture();
    void search();
    void keepNewNotes(bool on);
    void recentlyDeleted();
    void quit();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QToolButton *makeButton(const QString &toolTip, const QString &icon, int size,
                            const char *objectName);
    void placeRows();

    QToolBar *fileBar;
    QToolBar *alignBar;
    QToolBar *windowBar;
    QToolBar *fixBar;
    QToolBar *keepBar;
    QPixmap backPixmap;
    QToolButton *cleanButton;
    QToolButton *leftButton;
    QToolButton *centerButton;
    QToolButton *rightButton;
    QToolButton *aboutButton;
    QToolButton *saveButton;
    QToolButton *openButton;
    QToolButton *pictureButton;
    QToolButton *autoHideButton;
    QToolButton *quitButton;
    QToolButton *closeButton;
    QToolButton *fixedButton;
    QToolButton *notFixedButton;
    QToolButton *searchButton;
    QToolButton *keepNewButton;
    QToolButton *recentButton;
    QPropertyAnimation *m_unfold;
    QPropertyAnimation *m_fold;
};
