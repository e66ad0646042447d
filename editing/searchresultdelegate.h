#pragma once

#include <QStyledItemDelegate>

/// Paints one search result in two lines: the note's name, and its snippet
/// with the match marked (bold on the highlight colour). The item's text
/// (what assistive tools read) is not painted; the roles below are.
class SearchResultDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1,
        SnippetRole,
        MatchStartRole,
        MatchLengthRole,
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
