#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QTabBar>

class NoteTabStyle;
class QStyleOptionTab;

/// A tab bar whose every tab shows a close glyph that emits
/// tabCloseRequested(index) when clicked, like Qt's closable tabs.
///
/// Qt's closable tabs put a button widget on each tab, and every one it adds
/// lays out all tabs again: restoring n tabs costs O(n²). Here the glyph is
/// painted, not a widget, so adding a tab costs what it costs without one.
/// The bar never turns on tabsClosable(), which would bring the buttons back.
///
/// The room for the glyph is reserved through the tab's style option (the
/// style then keeps text and icon clear of it) and in tabSizeHint(). The
/// glyph is drawn by NoteTabStyle right after each tab, so it goes wherever
/// Qt paints that tab: scrolled, sliding aside during a drag, or on the tab
/// being dragged.
///
/// A left press on a glyph belongs to the glyph: it neither selects nor
/// drags the tab; releasing over the same glyph asks to close its tab.
class NoteTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit NoteTabBar(QWidget *parent = nullptr);
    ~NoteTabBar() override;

    /// Where the close glyph of tab index is, in the bar's coordinates
    /// (empty for no such tab).
    QRect closeGlyphRect(int index) const;
    /// The tab whose close glyph is at pos, or -1.
    int closeGlyphAt(const QPoint &pos) const;
    /// The tab of page (a page of the tab widget this bar serves) shows no
    /// close glyph: it cannot be closed.
    void setWithoutGlyph(QWidget *page);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void initStyleOption(QStyleOptionTab *option, int tabIndex) const override;
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    friend class NoteTabStyle;

    /// Paints the close glyph of the tab tab describes (called by the style).
    void paintCloseGlyph(QPainter *painter, const QStyleOptionTab &tab) const;
    QRect glyphRectIn(const QStyleOptionTab &tab) const;
    bool glyphOnLeft() const;
    bool hasGlyph(int index) const;
    void reserveGlyph(QStyleOptionTab *option) const;
    struct CachedHints;
    /// The cache slot of tab index, up to date with its text and traits;
    /// null for a tab that is not cached.
    CachedHints *cachedHints(int index) const;
    QSize computeTabSizeHint(int index) const;
    void forgetSizeHints() const;
    /// Repaints the glyphs whose hover or pressed look no longer matches the pointer.
    void refreshHotGlyph();
    QRect wantedHotRect() const;
    void cancelGlyphPress();

    QPointer<QWidget> m_withoutGlyph;
    QPoint m_pointer;           // last pointer position over the bar
    bool m_pointerInside = false;
    bool m_tabPressed = false;  // the left button went down on the bar outside any glyph
    int m_pressedGlyph = -1;    // the tab whose glyph holds the left button, or -1
    // Size hints and minimum size hints, kept because Qt asks for them far
    // more often than they change (see tabSizeHint()): by tab index, for
    // speed, and by text and traits, so that tabs shifted by an insertion
    // are found again. Valid for the icon size, shape, document mode and
    // elide mode noted here; an invalid size is not known yet.
    struct CachedHints
    {
        QString text;
        int traits = -1;
        QSize size;
        QSize minimum;
    };
    mutable QList<CachedHints> m_hintsByIndex;
    mutable QHash<QPair<QString, int>, QPair<QSize, QSize>> m_hintsByText;
    mutable QSize m_hintIconSize;
    mutable Shape m_hintShape = RoundedNorth;
    mutable bool m_hintDocumentMode = false;
    mutable Qt::TextElideMode m_hintElideMode = Qt::ElideNone;
    // The glyph last painted in its hover or pressed look, and whether pressed.
    mutable QRect m_shownHotRect;
    mutable bool m_shownHotSunken = false;
};
