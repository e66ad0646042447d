#include "searchresultdelegate.h"

#include <QApplication>
#include <QPainter>

namespace {
constexpr int Margin = 4;
}

void SearchResultDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QStyle *style = background.widget ? background.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QColor ink = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics plain(option.font);
    const QFontMetrics strong(bold);
    const QRect area = option.rect.adjusted(Margin, Margin / 2, -Margin, -Margin / 2);

    painter->save();
    painter->setClipRect(option.rect);
    painter->setPen(ink);
    painter->setFont(bold);
    const QString name = index.data(NameRole).toString();
    painter->drawText(area.left(), area.top() + strong.ascent(),
                      strong.elidedText(name, Qt::ElideRight, area.width()));

    // The snippet: before the match, the match marked, after it.
    const QString snippet = index.data(SnippetRole).toString();
    const int start = index.data(MatchStartRole).toInt();
    const int length = index.data(MatchLengthRole).toInt();
    const int baseline = area.top() + strong.height() + plain.ascent();
    int x = area.left();
    const QString before = snippet.left(start);
    const QString match = snippet.mid(start, length);
    const QString after = snippet.mid(start + length);
    painter->setFont(option.font);
    painter->drawText(x, baseline, before);
    x += plain.horizontalAdvance(before);
    const int matchWidth = strong.horizontalAdvance(match);
    painter->fillRect(QRect(x, baseline - strong.ascent(), matchWidth, strong.height()),
                      selected ? option.palette.color(QPalette::Highlight).darker(130) : QColor(255, 230, 100));
    painter->setFont(bold);
    painter->setPen(selected ? ink : QColor(Qt::black));
    painter->drawText(x, baseline, match);
    x += matchWidth;
    painter->setFont(option.font);
    painter->setPen(ink);
    painter->drawText(x, baseline, plain.elidedText(after, Qt::ElideRight, qMax(0, area.right() - x)));
    painter->restore();
}

QSize SearchResultDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    QFont bold = option.font;
    bold.setBold(true);
    return QSize(200, QFontMetrics(bold).height() * 2 + Margin);
}
