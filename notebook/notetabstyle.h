#pragma once

#include <QProxyStyle>

/// The style of NoteTabBar: the application's style, plus each tab's close
/// glyph drawn right after the tab itself. Qt paints a tab in several places
/// (in the bar, shifted while tabs slide aside during a drag, and into the
/// picture that follows the pointer while the tab is dragged); drawing the
/// glyph with the tab keeps it on its tab in all of them.
class NoteTabStyle : public QProxyStyle
{
    Q_OBJECT
public:
    /// The one instance NoteTabBars share; it lives as long as the application.
    static NoteTabStyle *instance();

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

private:
    explicit NoteTabStyle(const QString &baseKey);
};
