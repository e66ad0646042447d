#pragma once

#include <QTabWidget>

class NoteTabBar;

/// The notebook's tab widget: its tabs each have a close glyph (NoteTabBar)
/// whose click reaches tabCloseRequested(), without the per-tab close
/// buttons of setTabsClosable() that make adding many tabs slow.
class NoteTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit NoteTabWidget(QWidget *parent = nullptr);
    ~NoteTabWidget() override;

    NoteTabBar *noteTabBar() const { return m_bar; }

    // The bar draws its own close glyphs; Qt's closable tabs would add a
    // button widget per tab and a second tabCloseRequested for each click.
    void setTabsClosable(bool) = delete;

private:
    NoteTabBar *m_bar;
};
