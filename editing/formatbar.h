#pragma once

#include <QPixmap>
#include <QToolBar>

#include <functional>

class QAction;
class QColor;
class QComboBox;
class QFontComboBox;
class QTextCharFormat;
class QTextEdit;
class QToolButton;

/// The formatting toolbar: nine buttons (the last opens the list menu), the font and size boxes and the
/// colour swatch. Character formats reach only the selected text of the
/// current editor; in the other direction changeFont() makes the controls
/// show the format under an editor's cursor.
///
/// The two boxes apply a choice only while their flag is set: changeFont()
/// clears it (so that mirroring a format never reformats the selection) and a
/// mouse release on the box or on its pop-up list sets it again.
///
/// The font box enumerates every scalable font, which is slow on a desktop
/// with many fonts, so it is built right after the bar's first paint (or on
/// first use); until then a look-alike placeholder holds its place.
class FormatBar : public QToolBar
{
    Q_OBJECT
public:
    enum Button { Record, Bold, Italic, Underline, Color, Fill, Table, Print, List };
    using EditorSource = std::function<QTextEdit *()>;
    /// Asks the user for a colour; an invalid colour means cancelled.
    using ColorChooser = std::function<QColor(QWidget *parent)>;

    explicit FormatBar(EditorSource currentEditor, QWidget *parent = nullptr);
    ~FormatBar() override;

    QToolButton *button(Button which) const;
    /// The font box, built now if it is not yet.
    QFontComboBox *fontBox();
    QComboBox *sizeBox() const { return sizeCombo; }
    QColor swatchColor() const;
    void setColorChooser(ColorChooser chooser);

    void setBold();
    void setItalic();
    void setUnderline();
    void setTextColor();
    void setBackColor();
    void setTextSize(const QString &s);
    void setTextFamily(const QString &s);
    void changeFont(const QTextCharFormat &format);
    /// 0 left, 1 centre, 2 right; anything else does nothing.
    void setAlign(char ch);
    /// Turns the current editor's selected paragraphs into a list of that
    /// kind (ListFormat::Kind), or back into paragraphs.
    void setList(int kind);

signals:
    /// The boxes' current index changed; the text of the new item (empty for none).
    void sizeIndexChanged(const QString &text);
    void fontIndexChanged(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QToolButton *addButton(const QString &tip, const QIcon &icon, bool checkable);
    void buildFontBox();
    void watchBox(QComboBox *box);
    void fillSwatch(const QColor &color);
    void mergeFormatOnSelection(const QTextCharFormat &format);

    EditorSource m_currentEditor;
    ColorChooser m_chooseColor;
    QToolButton *recordButton;
    QToolButton *boldButton;
    QToolButton *italicButton;
    QToolButton *underlineButton;
    QToolButton *colorButton;
    QToolButton *fillButton;
    QToolButton *tableButton;
    QToolButton *printButton;
    QToolButton *listButton;
    QFontComboBox *fontCombo = nullptr;
    QComboBox *sizeCombo;
    QAction *m_fontPlaceholder = nullptr;
    QString m_pendingFamily;
    bool m_familyPending = false;
    bool m_fontBoxScheduled = false;
    QPixmap m_swatch;
    bool sizeClicked = true;
    bool fontClicked = true;
};
