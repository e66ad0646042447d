#include "notetabbar.h"

#include "notetabstyle.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QStyleOptionTab>
#include <QTabWidget>
#include <QToolTip>

namespace {
bool isVertical(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedWest || shape == QTabBar::RoundedEast
        || shape == QTabBar::TriangularWest || shape == QTabBar::TriangularEast;
}
}

NoteTabBar::NoteTabBar(QWidget *parent)
    : QTabBar(parent)
{
    setStyle(NoteTabStyle::instance());
    // Hover on a glyph needs moves without a button held.
    setMouseTracking(true);
    connect(this, &QTabBar::tabMoved, this, &NoteTabBar::cancelGlyphPress);
}

NoteTabBar::~NoteTabBar() = default;

bool NoteTabBar::glyphOnLeft() const
{
    return style()->styleHint(QStyle::SH_TabBar_CloseButtonPosition, nullptr, this) == QTabBar::LeftSide;
}

void NoteTabBar::reserveGlyph(QStyleOptionTab *option) const
{
    // The style keeps text and icon clear of a tab's button from these sizes.
    const QSize glyph(style()->pixelMetric(QStyle::PM_TabCloseIndicatorWidth, nullptr, this),
                      style()->pixelMetric(QStyle::PM_TabCloseIndicatorHeight, nullptr, this));
    if (glyphOnLeft())
        option->leftButtonSize = glyph;
    else
        option->rightButtonSize = glyph;
}

bool NoteTabBar::hasGlyph(int index) const
{
    const auto *tabs = qobject_cast<const QTabWidget *>(parentWidget());
    return !m_withoutGlyph || !tabs || tabs->widget(index) != m_withoutGlyph;
}

void NoteTabBar::setWithoutGlyph(QWidget *page)
{
    QPointer<QWidget> before = m_withoutGlyph;
    m_withoutGlyph = page;
    forgetSizeHints();
    // Setting a tab's text is what makes Qt lay the bar out again.
    if (const auto *tabs = qobject_cast<const QTabWidget *>(parentWidget())) {
        for (QWidget *changed : {before.data(), page}) {
            if (const int index = changed ? tabs->indexOf(changed) : -1; index >= 0)
                setTabText(index, tabText(index));
        }
    }
    update();
}

void NoteTabBar::initStyleOption(QStyleOptionTab *option, int tabIndex) const
{
    QTabBar::initStyleOption(option, tabIndex);
    if (hasGlyph(tabIndex))
        reserveGlyph(option);
}

NoteTabBar::CachedHints *NoteTabBar::cachedHints(int index) const
{
    if (index < 0 || index >= count() || tabButton(index, LeftSide) || tabButton(index, RightSide))
        return nullptr;
    if (iconSize() != m_hintIconSize || shape() != m_hintShape || documentMode() != m_hintDocumentMode
        || elideMode() != m_hintElideMode)
        forgetSizeHints();
    const QString text = tabText(index);
    const int traits = (tabIcon(index).isNull() ? 0 : 1) | (index == 0 ? 2 : 0)
        | (index == count() - 1 ? 4 : 0) | (index == currentIndex() ? 8 : 0) | (hasGlyph(index) ? 0 : 16);
    if (m_hintsByIndex.size() != count())
        m_hintsByIndex.resize(count());
    CachedHints &slot = m_hintsByIndex[index];
    if (slot.traits != traits || slot.text != text) {
        // Renamed tabs leave stale entries behind.
        if (m_hintsByText.size() > 2 * count() + 64)
            m_hintsByText.clear();
        const auto found = m_hintsByText.constFind(qMakePair(text, traits));
        slot.size = found == m_hintsByText.cend() ? QSize() : found->first;
        slot.minimum = found == m_hintsByText.cend() ? QSize() : found->second;
        slot.text = text;
        slot.traits = traits;
    }
    return &slot;
}

QSize NoteTabBar::tabSizeHint(int index) const
{
    // Qt lays out all tabs again each time one is added and asks every tab
    // for its sizes: restoring n tabs asks about n²/2 times, and measuring a
    // tab shapes its text. Answers are kept by what a style may size a tab
    // by: its text, whether it has an icon, its place and selection.
    CachedHints *slot = cachedHints(index);
    if (!slot)
        return computeTabSizeHint(index);
    if (!slot->size.isValid()) {
        slot->size = computeTabSizeHint(index);
        m_hintsByText[qMakePair(slot->text, slot->traits)].first = slot->size;
    }
    return slot->size;
}

QSize NoteTabBar::minimumTabSizeHint(int index) const
{
    const CachedHints *slot = cachedHints(index);
    if (!slot)
        return QTabBar::minimumTabSizeHint(index);
    if (slot->minimum.isValid())
        return slot->minimum;
    const auto key = qMakePair(slot->text, slot->traits);
    // Qt measures the tab again here, with its text shortened, through
    // tabSizeHint(): the slot may change meanwhile.
    const QSize minimum = QTabBar::minimumTabSizeHint(index);
    m_hintsByText[key].second = minimum;
    if (index < m_hintsByIndex.size())
        m_hintsByIndex[index].traits = -1; // looked up again next time
    return minimum;
}

void NoteTabBar::forgetSizeHints() const
{
    m_hintsByIndex.clear();
    m_hintsByText.clear();
    m_hintIconSize = iconSize();
    m_hintShape = shape();
    m_hintDocumentMode = documentMode();
    m_hintElideMode = elideMode();
}

QSize NoteTabBar::computeTabSizeHint(int index) const
{
    QSize hint = QTabBar::tabSizeHint(index);
    if (!hasGlyph(index))
        return hint;
    // Grow the tab by exactly what the style takes from the text for the
    // glyph, so the text gets the room it would have without one.
    const bool vertical = isVertical(shape());
    QStyleOptionTab option;
    QTabBar::initStyleOption(&option, index);
    option.rect = QRect(QPoint(0, 0), hint);
    const QRect bare = style()->subElementRect(QStyle::SE_TabBarTabText, &option, this);
    reserveGlyph(&option);
    const QRect reduced = style()->subElementRect(QStyle::SE_TabBarTabText, &option, this);
    int room = vertical ? bare.height() - reduced.height() : bare.width() - reduced.width();
    if (room <= 0) {
        const QSize glyph = glyphOnLeft() ? option.leftButtonSize : option.rightButtonSize;
        room = glyph.width() + style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, this) / 2;
    }
    if (vertical)
        hint.rheight() += room;
    else
        hint.rwidth() += room;
    return hint;
}

QRect NoteTabBar::glyphRectIn(const QStyleOptionTab &tab) const
{
    return style()->subElementRect(glyphOnLeft() ? QStyle::SE_TabBarTabLeftButton
                                                 : QStyle::SE_TabBarTabRightButton,
                                   &tab, this);
}

QRect NoteTabBar::closeGlyphRect(int index) const
{
    if (index < 0 || index >= count() || !hasGlyph(index))
        return QRect();
    QStyleOptionTab option;
    initStyleOption(&option, index);
    return glyphRectIn(option);
}

int NoteTabBar::closeGlyphAt(const QPoint &pos) const
{
    // The scroll buttons lie over the tabs they hide.
    if (childAt(pos))
        return -1;
    const int index = tabAt(pos);
    return closeGlyphRect(index).contains(pos) ? index : -1;
}

void NoteTabBar::paintCloseGlyph(QPainter *painter, const QStyleOptionTab &tab) const
{
    if (tab.leftButtonSize.isEmpty() && tab.rightButtonSize.isEmpty())
        return;
    QStyleOption glyph;
    glyph.initFrom(this);
    glyph.rect = glyphRectIn(tab);
    // The current tab's glyph is drawn stronger, as Qt does with its buttons.
    glyph.state = QStyle::State_AutoRaise | (tab.state & (QStyle::State_Enabled | QStyle::State_Selected));
    const bool hot = (tab.state & QStyle::State_Enabled) && m_pointerInside && !m_tabPressed
        && glyph.rect.contains(m_pointer)
        && (m_pressedGlyph < 0 || glyph.rect == closeGlyphRect(m_pressedGlyph));
    if (hot) {
        const bool sunken = m_pressedGlyph >= 0;
        glyph.state |= QStyle::State_MouseOver | (sunken ? QStyle::State_Sunken : QStyle::State_Raised);
        m_shownHotRect = glyph.rect;
        m_shownHotSunken = sunken;
    }
    style()->drawPrimitive(QStyle::PE_IndicatorTabClose, &glyph, painter, this);
}

QRect NoteTabBar::wantedHotRect() const
{
    if (!isEnabled() || !m_pointerInside || m_tabPressed)
        return QRect();
    if (m_pressedGlyph >= 0) {
        const QRect pressed = closeGlyphRect(m_pressedGlyph);
        return pressed.contains(m_pointer) ? pressed : QRect();
    }
    return closeGlyphRect(closeGlyphAt(m_pointer));
}

void NoteTabBar::refreshHotGlyph()
{
    const QRect wanted = wantedHotRect();
    const bool sunken = !wanted.isNull() && m_pressedGlyph >= 0;
    if (wanted == m_shownHotRect && sunken == m_shownHotSunken)
        return;
    if (!m_shownHotRect.isNull())
        update(m_shownHotRect);
    if (!wanted.isNull())
        update(wanted);
}

void NoteTabBar::cancelGlyphPress()
{
    if (m_pressedGlyph < 0)
        return;
    m_pressedGlyph = -1;
    refreshHotGlyph();
}

void NoteTabBar::tabInserted(int index)
{
    // Indices shift: a held glyph must not close another tab on release.
    // Kept cheap, it runs for every restored tab.
    cancelGlyphPress();
    QTabBar::tabInserted(index);
}

void NoteTabBar::tabRemoved(int index)
{
    cancelGlyphPress();
    QTabBar::tabRemoved(index);
}

bool NoteTabBar::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = closeGlyphAt(help->pos());
        if (index >= 0) {
            QToolTip::showText(help->globalPos(), tr("关闭"), this, closeGlyphRect(index));
            return true;
        }
        break;
    }
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
    case QEvent::ScreenChangeInternal:
        forgetSizeHints();
        break;
    case QEvent::Hide:
        m_pointerInside = false;
        m_tabPressed = false;
        m_pressedGlyph = -1;
        break;
    default:
        break;
    }
    return QTabBar::event(event);
}

void NoteTabBar::paintEvent(QPaintEvent *event)
{
    // A glyph this paint covers is drawn again, hot or not, by the style.
    if (!m_shownHotRect.isNull() && (QRegion(m_shownHotRect) - event->region()).isEmpty()) {
        m_shownHotRect = QRect();
        m_shownHotSunken = false;
    }
    QTabBar::paintEvent(event);
}

void NoteTabBar::mousePressEvent(QMouseEvent *event)
{
    m_pointer = event->position().toPoint();
    m_pointerInside = true;
    if (m_pressedGlyph >= 0) {
        // Other buttons while the glyph is held do nothing, as on a button.
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && !m_tabPressed) {
        const int index = closeGlyphAt(m_pointer);
        if (index >= 0) {
            // The press is the glyph's: the tab is neither selected nor dragged.
            m_pressedGlyph = index;
            refreshHotGlyph();
            event->accept();
            return;
        }
        m_tabPressed = true;
    }
    refreshHotGlyph();
    QTabBar::mousePressEvent(event);
}

void NoteTabBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A second quick click on a glyph is another click on it, not a double
    // click on the tab.
    if (event->button() == Qt::LeftButton && closeGlyphAt(event->position().toPoint()) >= 0) {
        mousePressEvent(event);
        return;
    }
    QTabBar::mouseDoubleClickEvent(event);
}

void NoteTabBar::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer = event->position().toPoint();
    m_pointerInside = true;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (a popup took the mouse, say).
        m_tabPressed = false;
        m_pressedGlyph = -1;
    }
    if (m_pressedGlyph >= 0) {
        refreshHotGlyph();
        event->accept();
        return;
    }
    // Without mouse tracking the bar saw moves only with a button held; keep
    // it that way.
    if (event->buttons() != Qt::NoButton)
        QTabBar::mouseMoveEvent(event);
    refreshHotGlyph();
}

void NoteTabBar::mouseReleaseEvent(QMouseEvent *event)
{
    m_pointer = event->position().toPoint();
    if (m_pressedGlyph >= 0) {
        event->accept();
        if (event->button() != Qt::LeftButton)
            return;
        const int index = m_pressedGlyph;
        m_pressedGlyph = -1;
        const bool over = closeGlyphAt(m_pointer) == index;
        refreshHotGlyph();
        // Last: the receiver may remove the tab, or more.
        if (over)
            emit tabCloseRequested(index);
        return;
    }
    QTabBar::mouseReleaseEvent(event);
    if (!(event->buttons() & Qt::LeftButton))
        m_tabPressed = false;
    refreshHotGlyph();
}

void NoteTabBar::leaveEvent(QEvent *event)
{
    m_pointerInside = false;
    refreshHotGlyph();
    QTabBar::leaveEvent(event);
}
