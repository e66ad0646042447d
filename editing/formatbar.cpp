#include "formatbar.h"
#include "alignmentcode.h"
#include "lazyiconengine.h"
#include "listformat.h"

#include <QAbstractItemView>
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFontComboBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMenu>
#include <QPainter>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

namespace {
constexpr int ControlHeight = 25;
constexpr int InitialSizeIndex = 8;
constexpr int FontBoxWidth = 100;
constexpr int SizeBoxWidth = 40;
constexpr int BackingAlpha = 225;

/// The narrowest width at which box shows text whole, its frame and arrow
/// included: the boxes' first widths cut "16" and "DejaVu Sans" short.
int widthShowing(const QComboBox *box, const QString &text)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.currentText = text;
    const QFontMetrics metrics = box->fontMetrics();
    const QSize content(metrics.horizontalAdvance(text), metrics.height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, box).width();
}

/// Three bulleted lines, drawn here: the list button has no picture of its own.
QIcon listIcon()
{
    QPixmap pixmap(17, 17);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(40, 40, 40), 1.5));
    for (int y : {4, 9, 14}) {
        painter.fillRect(QRectF(1.5, y - 1.5, 3, 3), QColor(40, 40, 40));
        painter.drawLine(QPointF(7, y), QPointF(16, y));
    }
    return QIcon(pixmap);
}
}

FormatBar::FormatBar(EditorSource editorSource, QWidget *parent)
    : QToolBar(parent)
    , m_currentEditor(std::move(editorSource))
    , m_swatch(15, 15)
{
    m_chooseColor = [](QWidget *dialogParent) { return QColorDialog::getColor(Qt::black, dialogParent); };
    setIconSize(QSize(17, 17));

    recordButton = addButton(tr("添加记录"), LazyIconEngine::icon(QStringLiteral(":/img/addrecord.png")), false);
    boldButton = addButton(tr("粗体 (Ctrl+B)"), LazyIconEngine::icon(QStringLiteral(":/img/textbold.png")), true);
    italicButton = addButton(tr("斜体 (Ctrl+I)"), LazyIconEngine::icon(QStringLiteral(":/img/textitalic.png")), true);
    underlineButton = addButton(tr("下划线 (Ctrl+U)"), LazyIconEngine::icon(QStringLiteral(":/img/textunder.png")), true);
    m_swatch.fill(Qt::black);
    colorButton = addButton(tr("颜色"), QIcon(m_swatch), false);
    fillButton = addButton(tr("填充颜色"), LazyIconEngine::icon(QStringLiteral(":/img/insertcolor.png")), false);
    tableButton = addButton(tr("插入表格"), LazyIconEngine::icon(QStringLiteral(":/img/inserttable.png")), false);
    printButton = addButton(tr("打印该标签文本 (Ctrl+P)"), LazyIconEngine::icon(QStringLiteral(":/img/print.png")), false);
    listButton = addButton(tr("列表"), listIcon(), false);
    listButton->setObjectName(QStringLiteral("listButton"));
    listButton->setPopupMode(QToolButton::InstantPopup);
    auto *lists = new QMenu(listButton);
    lists->setObjectName(QStringLiteral("listMenu"));
    const auto addList = [this, lists](const QString &text, ListFormat::Kind kind, const char *name) {
        QAction *action = lists->addAction(text, this, [this, kind] { setList(int(kind)); });
        action->setObjectName(QString::fromLatin1(name));
    };
    addList(tr("项目符号列表"), ListFormat::Kind::Bullet, "bulletListAction");
    addList(tr("编号列表"), ListFormat::Kind::Numbered, "numberedListAction");
    addList(tr("清单 (Ctrl+Shift+L)"), ListFormat::Kind::Checklist, "checklistAction");
    listButton->setMenu(lists);

    // Stands in for the font box until it is built: same size, and the text
    // the real box will show for "calibri", so the bar does not move.
    auto *placeholder = new QComboBox(this);
    placeholder->setToolTip(tr("字体"));
    placeholder->addItem(QFontInfo(QFont(tr("calibri"))).family());
    placeholder->setFixedSize(qMax(FontBoxWidth, widthShowing(placeholder, placeholder->itemText(0))), ControlHeight);
    m_fontPlaceholder = addWidget(placeholder);

    sizeCombo = new QComboBox(this);
    sizeCombo->setObjectName(QStringLiteral("sizeCombo"));
    sizeCombo->setToolTip(tr("字号"));
    for (int size : QFontDatabase::standardSizes())
        sizeCombo->addItem(QString::number(size));
    sizeCombo->setFixedHeight(ControlHeight);
    int sizeWidth = SizeBoxWidth;
    for (int i = 0; i < sizeCombo->count(); ++i)
        sizeWidth = qMax(sizeWidth, widthShowing(sizeCombo, sizeCombo->itemText(i)));
    sizeCombo->setFixedWidth(sizeWidth);
    sizeCombo->setCurrentIndex(InitialSizeIndex);
    sizeCombo->addItem(QString());
    addSeparator();
    addWidget(sizeCombo);

    // Connected only now: the initial index applies nothing.
    connect(sizeCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { emit sizeIndexChanged(sizeCombo->itemText(index)); });
    watchBox(sizeCombo);
}

FormatBar::~FormatBar() = default;

QToolButton *FormatBar::addButton(const QString &tip, const QIcon &icon, bool checkable)
{
    auto *button = new QToolButton(this);
    button->setFixedSize(ControlHeight, ControlHeight);
    button->setToolTip(tip);
    button->setIcon(icon);
    button->setCheckable(checkable);
    addWidget(button);
    return button;
}

QToolButton *FormatBar::button(Button which) const
{
    switch (which) {
    case Record: return recordButton;
    case Bold: return boldButton;
    case Italic: return italicButton;
    case Underline: return underlineButton;
    case Color: return colorButton;
    case Fill: return fillButton;
    case Table: return tableButton;
    case Print: return printButton;
    case List: return listButton;
    }
    return nullptr;
}

QFontComboBox *FormatBar::fontBox()
{
    if (!fontCombo)
        buildFontBox();
    return fontCombo;
}

void FormatBar::buildFontBox()
{
    fontCombo = new QFontComboBox(this);
    fontCombo->setObjectName(QStringLiteral("fontCombo"));
    fontCombo->setToolTip(tr("字体"));
    fontCombo->setEditable(false);
    fontCombo->setFontFilters(QFontComboBox::ScalableFonts);
    fontCombo->setCurrentFont(QFont(tr("calibri")));
    fontCombo->setFixedHeight(ControlHeight);
    // As wide as its stand-in, which fits the family it starts with.
    fontCombo->setFixedWidth(qMax(FontBoxWidth, widthShowing(fontCombo, QFontInfo(QFont(tr("calibri"))).family())));
    fontCombo->addItem(QString());
    // A format mirrored before the box existed: show it, as changeFont would have.
    if (m_familyPending)
        fontCombo->setCurrentIndex(fontCombo->findText(m_pendingFamily));

    insertWidget(m_fontPlaceholder, fontCombo);
    delete m_fontPlaceholder; // also deletes the placeholder box
    m_fontPlaceholder = nullptr;

    connect(fontCombo, &QComboBox::currentIndexChanged, this,
            [this](int index) { emit fontIndexChanged(fontCombo->itemText(index)); });
    watchBox(fontCombo);
}

void FormatBar::paintEvent(QPaintEvent *event)
{
    {
        // A pale backing of its own: the buttons' dark glyphs stay readable
        // on every skin, dark and busy ones too.
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, BackingAlpha));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    QToolBar::paintEvent(event);
    // Build the font box once the window is on screen, not before its first paint.
    if (!fontCombo && !m_fontBoxScheduled) {
        m_fontBoxScheduled = true;
        QTimer::singleShot(0, this, [this] { fontBox(); });
    }
}

void FormatBar::watchBox(QComboBox *box)
{
    // The click that opens the pop-up list is released over the list, and an
    // item is chosen by a release in it: the box itself may never see one.
    box->installEventFilter(this);
    box->view()->viewport()->installEventFilter(this);
    if (QWidget *popup = box->view()->parentWidget())
        popup->installEventFilter(this);
}

bool FormatBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QObject *object = watched; object; object = object->parent()) {
            if (object == sizeCombo) {
                sizeClicked = true;
                break;
            }
            if (fontCombo && object == fontCombo) {
                fontClicked = true;
                break;
            }
        }
    }
    return QToolBar::eventFilter(watched, event);
}

QColor FormatBar::swatchColor() const
{
    return m_swatch.toImage().pixelColor(0, 0);
}

void FormatBar::setColorChooser(ColorChooser chooser)
{
    m_chooseColor = std::move(chooser);
}

void FormatBar::fillSwatch(const QColor &color)
{
    m_swatch.fill(color);
    colorButton->setIcon(QIcon(m_swatch));
}

void FormatBar::mergeFormatOnSelection(const QTextCharFormat &format)
{
    QTextEdit *editor = m_currentEditor();
    if (!editor)
        return;
    QTextCursor cursor = editor->textCursor();
    // Without a selection even the format for further typing stays as it is.
    if (!cursor.hasSelection())
        return;
    cursor.mergeCharFormat(format);
    editor->mergeCurrentCharFormat(format);
}

void FormatBar::setBold()
{
    QTextCharFormat format;
    format.setFontWeight(boldButton->isChecked() ? QFont::Bold : QFont::Normal);
    mergeFormatOnSelection(format);
}

void FormatBar::setItalic()
{
    QTextCharFormat format;
    format.setFontItalic(italicButton->isChecked());
    mergeFormatOnSelection(format);
}

void FormatBar::setUnderline()
{
    QTextCharFormat format;
    format.setFontUnderline(underlineButton->isChecked());
    mergeFormatOnSelection(format);
}

void FormatBar::setTextColor()
{
    const QColor color = m_chooseColor(window());
    if (!color.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(QBrush(color, Qt::SolidPattern));
    // The swatch shows the choice even when no text takes it.
    fillSwatch(color);
    mergeFormatOnSelection(format);
}

void FormatBar::setBackColor()
{
    const QColor color = m_chooseColor(window());
    if (!color.isValid())
        return;
    QTextCharFormat format;
    format.setBackground(QBrush(color, Qt::SolidPattern));
    mergeFormatOnSelection(format);
}

void FormatBar::setTextSize(const QString &s)
{
    if (!sizeClicked)
        return;
    const float points = s.toFloat();
    if (!(points > 0))
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeFormatOnSelection(format);
}

void FormatBar::setTextFamily(const QString &s)
{
    if (!fontClicked)
        return;
    QTextCharFormat format;
    format.setFontFamilies({s});
    mergeFormatOnSelection(format);
}

void FormatBar::changeFont(const QTextCharFormat &format)
{
    const QFont f = format.font();
    boldButton->setChecked(f.weight() > QFont::Normal);
    italicButton->setChecked(f.style() != QFont::StyleNormal);
    underlineButton->setChecked(f.underline());
    fillSwatch(format.foreground().color());
    // Setting an index emits at once: the box's slot still sees the old flag.
    sizeCombo->setCurrentIndex(sizeCombo->findText(QString::number(f.pointSize())));
    sizeClicked = false;
    const QString family = QFontInfo(f).family();
    if (fontCombo) {
        fontCombo->setCurrentIndex(fontCombo->findText(family));
    } else {
        m_pendingFamily = family;
        m_familyPending = true;
    }
    fontClicked = false;
}

void FormatBar::setAlign(char ch)
{
    QTextEdit *editor = m_currentEditor();
    if (!editor)
        return;
    switch (AlignmentCode(ch)) {
    case AlignmentCode::Left: editor->setAlignment(Qt::AlignLeft); break;
    case AlignmentCode::Centre: editor->setAlignment(Qt::AlignCenter); break;
    case AlignmentCode::Right: editor->setAlignment(Qt::AlignRight); break;
    default: break; // a code past the last one changes nothing
    }
}

void FormatBar::setList(int kind)
{
    QTextEdit *editor = m_currentEditor();
    if (!editor || editor->isReadOnly())
        return;
    ListFormat::apply(editor->textCursor(), ListFormat::Kind(kind));
    editor->setFocus(Qt::OtherFocusReason);
}
