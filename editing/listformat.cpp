#include "listformat.h"

#include <QTextBlock>
#include <QTextList>

namespace {
QTextListFormat::Style styleFor(ListFormat::Kind kind)
{
    return kind == ListFormat::Kind::Numbered ? QTextListFormat::ListDecimal : QTextListFormat::ListDisc;
}

void strike(const QTextBlock &block, bool on)
{
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontStrikeOut(on);
    cursor.mergeCharFormat(format);
}

void setMarker(const QTextBlock &block, QTextBlockFormat::MarkerType marker)
{
    QTextCursor cursor(block);
    QTextBlockFormat format = block.blockFormat();
    format.setMarker(marker);
    cursor.setBlockFormat(format);
}
}

ListFormat::Kind ListFormat::kindOf(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return Kind::None;
    if (block.blockFormat().marker() != QTextBlockFormat::MarkerType::NoMarker)
        return Kind::Checklist;
    const QTextListFormat::Style style = list->format().style();
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare
        ? Kind::Bullet
        : Kind::Numbered;
}

void ListFormat::apply(QTextCursor cursor, Kind kind)
{
    QTextDocument *document = cursor.document();
    if (!document || kind == Kind::None)
        return;
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    const QTextBlock last = document->findBlock(cursor.selectionEnd());
    bool allOfKind = true;
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        allOfKind = allOfKind && kindOf(b) == kind;
        if (b == last)
            break;
    }

    cursor.beginEditBlock();
    if (allOfKind) {
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            if (QTextList *list = b.textList())
                list->remove(b);
            QTextCursor at(b);
            QTextBlockFormat format = b.blockFormat();
            format.setIndent(0);
            format.setMarker(QTextBlockFormat::MarkerType::NoMarker);
            at.setBlockFormat(format);
            if (b == last)
                break;
        }
    } else {
        QTextListFormat format;
        format.setStyle(styleFor(kind));
        format.setIndent(1);
        cursor.createList(format);
        const auto marker = kind == Kind::Checklist ? QTextBlockFormat::MarkerType::Unchecked
                                                    : QTextBlockFormat::MarkerType::NoMarker;
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            // A ticked item stays ticked when its list becomes a checklist again.
            if (marker == QTextBlockFormat::MarkerType::NoMarker
                || b.blockFormat().marker() == QTextBlockFormat::MarkerType::NoMarker)
                setMarker(b, marker);
            if (b == last)
                break;
        }
    }
    cursor.endEditBlock();
}

bool ListFormat::toggleCheck(const QTextBlock &block)
{
    const QTextBlockFormat::MarkerType marker = block.blockFormat().marker();
    if (!block.textList() || marker == QTextBlockFormat::MarkerType::NoMarker)
        return false;
    const bool tick = marker == QTextBlockFormat::MarkerType::Unchecked;
    QTextCursor cursor(block);
    cursor.beginEditBlock();
    setMarker(block, tick ? QTextBlockFormat::MarkerType::Checked : QTextBlockFormat::MarkerType::Unchecked);
    strike(block, tick);
    cursor.endEditBlock();
    return true;
}

ListFormat::Kind ListFormat::typedStart(const QString &typed, bool *checked)
{
    if (checked)
        *checked = false;
    if (typed == QLatin1String("-") || typed == QLatin1String("*"))
        return Kind::Bullet;
    if (typed == QLatin1String("[ ]") || typed == QLatin1String("[]"))
        return Kind::Checklist;
    if (typed.compare(QLatin1String("[x]"), Qt::CaseInsensitive) == 0) {
        if (checked)
            *checked = true;
        return Kind::Checklist;
    }
    return Kind::None;
}
