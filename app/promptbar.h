#pragma once

#include <QToolBar>

class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QToolButton;

/// A bar that slides in at the bottom centre of the main window to ask one
/// thing, with an OK and a cancel button: the name of a tab (a line edit) or
/// whether to delete one (a question). It only asks; what the answer is for
/// stays with the window, which connects the two buttons.
class PromptBar : public QToolBar
{
    Q_OBJECT
public:
    /// The tab-name bar: "nameBar" with "nameEdit", "nameOkButton", "nameCancelButton".
    static PromptBar *askName(QWidget *window);
    /// The delete bar: "delBar" asking setQuestion(), with "delOkButton", "delCancelButton".
    static PromptBar *askDelete(QWidget *window);

    /// A 17x17 button with an icon and a tool tip at the end of bar.
    static QToolButton *addButton(QToolBar *bar, const char *icon, const QString &tip);

    /// Null for the delete bar.
    QLineEdit *edit() const { return m_edit; }
    QToolButton *okButton() const { return m_ok; }
    QToolButton *cancelButton() const { return m_cancel; }

    /// The delete bar's question (the name of the note it is about).
    void setQuestion(const QString &question);
    /// Slides the bar in over a window of windowSize; the line edit takes the focus.
    void slideIn(QSize windowSize);
    /// Hides the bar, clearing the line edit.
    void dismiss();

protected:
    /// Enter (either key) answers OK, Esc cancels: from the line edit too,
    /// which passes both keys on.
    void keyPressEvent(QKeyEvent *event) override;

private:
    PromptBar(QWidget *window, const QString &prefix);
    void addOkCancel(const QString &prefix);

    QLineEdit *m_edit = nullptr;
    QLabel *m_question = nullptr;
    QToolButton *m_ok = nullptr;
    QToolButton *m_cancel = nullptr;
    QPropertyAnimation *m_animation = nullptr;
};
