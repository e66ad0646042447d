#include "widget.h"

#include "logging.h"
#include "sessionkind.h"

#include "aboutdialog.h"
#include "capturefilesaver.h"
#include "capturehandoff.h"
#include "desktopgrabber.h"
#include "grabsource.h"
#include "imagesuffixrule.h"
#include "inputdialog.h"
#include "swayoverlayrule.h"
#include "waylandselection.h"
#include "x11shmpresenter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFontMetrics>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <utility>

namespace {
const QColor DimColor(182, 182, 182, 192);
const QColor HintColor(255, 255, 0);
const QColor LabelColor(200, 200, 200, 165);

// A stroked QRect covers one more column and row than the rectangle.
QRect stroked(const QRect &rect)
{
    return rect.adjusted(0, 0, 1, 1);
}

constexpr int PrepareDelayMs = 3000;
// Shift with an arrow key moves or resizes by this many pixels.
constexpr int ArrowBigStep = 10;
// After the overlay's first paint over its backdrop, the whole picture is
// taken once the window manager and compositor have shown the window.
constexpr int PictureDelayMs = 60;
// After a pin, the picture's buffers go this long after the overlay.
constexpr int PinnedReleaseDelayMs = 100;

/// Owns the overlay kept between captures. A child of the object given to
/// prepareCapture() (the main window), so the overlay goes with it, while
/// the application still exists.
class OverlayKeeper : public QObject
{
public:
    using QObject::QObject;

    std::unique_ptr<Widget> overlay;
    /// A capture runs in the kept overlay.
    bool busy = false;
};
QPointer<OverlayKeeper> keeper;
}

Widget::Widget(QWidget *parent, QColor color, int quality, bool grabNow, std::unique_ptr<GrabSource> source)
    : QDialog(parent)
    , borderColor(color)
    , picQuality(quality)
    , m_source(source ? std::move(source) : GrabSource::create())
{
    createMenu();
    setMouseTracking(true);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowRole(SwayOverlayRule::windowRole());
    // Every paint covers its whole area: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    hintText = tr("如需使用帮助，请按F1");
    // A save that fails on the worker, after the overlay closed, is still
    // reported. One connection for all overlays.
    static bool reporting = false;
    if (!reporting) {
        reporting = true;
        CaptureFileSaver *saver = CaptureFileSaver::instance();
        connect(saver, &CaptureFileSaver::saveFailed, saver, [](const QString &path, const QString &error) {
            QMessageBox::warning(nullptr, tr("保存截图"),
                                 tr("截图未能保存到 %1：\n%2").arg(QDir::toNativeSeparators(path), error));
        });
    }
    prepare(grabNow ? Grab::Now : Grab::None);
}

Widget::~Widget() = default;

void Widget::recapture()
{
    prepare(Grab::WhileShowing);
}

void Widget::prepare(Grab grab)
{
    const bool grabNow = grab != Grab::None;
    sel = CaptureSelection();
    startPoint = endPoint = QPoint();
    lastPoint.reset();
    m_press = Press::None;
    dragHandle = CaptureSelection::NoHandle;
    m_grabFailed = false;
    if (grabNow)
        m_captureTime = QDateTime::currentDateTime();

    const QRect desktop = m_source->desktop();
    m_monitors.clear();
    for (const QRect &monitor : m_source->monitors())
        m_monitors.append(monitor.translated(-desktop.topLeft()));
    m_uncovered = QRegion(QRect(QPoint(0, 0), desktop.size()));
    for (const QRect &monitor : std::as_const(m_monitors))
        m_uncovered -= monitor;
    screenWidth = desktop.width();
    screenHeight = desktop.height();
    sel.setDesktopSize(desktop.size());

    m_ratio = m_source->pixelRatio();
    m_scale = std::max(1, int(std::lround(m_ratio)));
    // An explicit position: a dialog would otherwise be centred on the
    // available area, below any panel. Qt keeps a screen's top-left corner
    // in its logical coordinates and divides sizes by the ratio.
    const QRect logical(desktop.topLeft(), (QSizeF(desktop.size()) / m_ratio).toSize());
    if (geometry() != logical)
        setGeometry(logical);

    // Grabbed before the overlay is shown, so it never shows itself.
    if (grab == Grab::Now) {
        fullPixmap = m_source->grab();
        m_grabFailed = fullPixmap.isNull();
    }

    // On X11 the overlay paints into its window itself, a few rows at a
    // time, instead of through a second, window-sized buffer. Decided while
    // the window is still unmapped, before its first paint.
    // XWayland shows nothing painted that way: there Qt paints as usual.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !SessionKind::isWayland()) {
        setAttribute(Qt::WA_PaintOnScreen);
        create();
        // A window closed by other means was given back: paint the new one.
        if (!m_presenter || m_presenter->window() != quint32(winId()) || m_presenter->windowSize() != desktop.size())
            m_presenter = X11ShmPresenter::create(quint32(winId()), desktop.size());
        if (!m_presenter)
            setAttribute(Qt::WA_PaintOnScreen, false);
    }
    placeHint();
    if (grab == Grab::WhileShowing) {
        // The server paints the frozen desktop, veiled, as soon as the window
        // is mapped; the picture itself is taken once it is shown.
        m_serverBackdrop = m_presenter
            && m_source->startGrab({quint32(winId()), DimColor, m_uncovered, hintArea});
        m_backdropUnpainted = m_serverBackdrop;
        if (!m_presenter)
            m_source->startGrab({});
        m_grabPending = true;
    }
    if (!grabNow) {
        // The first text drawn in the hint's font loads and renders its
        // glyphs: done now, not while the user waits for the overlay.
        QImage warm(hintArea.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        QPainter painter(&warm);
        painter.translate(-hintArea.topLeft());
        drawScaledText(painter, m_hintOrigin, hintText);
        painter.drawText(QPoint(0, 0), startText(sel) + sizeText(sel));
    }
}

void Widget::prepareCapture(QObject *context)
{
    if (!keeper)
        keeper = new OverlayKeeper(context);
    // Once the program has settled after its start, so that neither the
    // start nor the first capture pays for building the overlay.
    QTimer::singleShot(PrepareDelayMs, keeper, [] {
        if (!keeper->overlay && !keeper->busy)
            keeper->overlay = std::make_unique<Widget>(nullptr, QColor(0, 0, 255), -1, false);
    });
}

bool Widget::runModal()
{
    // Without a backdrop the grab has its picture already: a failed one
    // shows no overlay at all.
    if (m_grabFailed || (!m_serverBackdrop && !takePicture()))
        return false;
    // Not QDialog::exec(): it gives the window back to the system when it
    // ends, and the kept window would have to be made anew each time.
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    const QMetaObject::Connection ended = connect(this, &Widget::captureEnded, &loop, &QEventLoop::quit);
    // Closed some other way (the window manager): QDialog ends too.
    const QMetaObject::Connection finished = connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    // A Wayland compositor places an XWayland window itself (a tiling one
    // makes it a tile); only the full-screen state makes it cover the output,
    // and on sway a rule of its own makes it cover every output.
    m_swayRule = SessionKind::isWayland() && SwayOverlayRule::ensure();
    if (SessionKind::isWayland() && !m_swayRule)
        setWindowState(windowState() | Qt::WindowFullScreen);
    // With a backdrop the picture is taken once the window is on screen
    // (its first paint), so the server maps and shows the window first.
    show();
    if (isVisible())
        loop.exec(QEventLoop::DialogExec);
    disconnect(ended);
    disconnect(finished);
    return !m_grabFailed;
}

bool Widget::takePicture()
{
    if (m_grabPending) {
        m_grabPending = false;
        fullPixmap = m_source->finishGrab();
        m_grabFailed = fullPixmap.isNull();
        // Shown over its backdrop already: the capture ends, nothing to output.
        if (m_grabFailed && isVisible())
            endCapture();
    }
    return !m_grabFailed;
}

void Widget::endCapture()
{
    // Hidden, not closed: closing would give the native window back.
    hide();
    // sway runs its window rules once per window, when it first appears:
    // the next capture gets a window of its own, so the rule spreads it again.
    if (m_swayRule)
        destroy();
    emit captureEnded();
}

void Widget::releasePicture()
{
    // A capture ended before its picture was needed.
    if (m_grabPending) {
        m_grabPending = false;
        m_source->cancelGrab();
    }
    m_serverBackdrop = false;
    fullPixmap = QImage();
    if (m_presenter)
        m_presenter->release();
}

QPaintEngine *Widget::paintEngine() const
{
    // With a presenter the overlay paints its window itself (paintEvent).
    return m_presenter ? nullptr : QDialog::paintEngine();
}

void Widget::placeHint()
{
    // At the top of the monitor the pointer is on.
    const QRect monitor = monitorAt(QPoint((QPointF(QCursor::pos()) * m_ratio).toPoint()));
    m_hintOrigin = QPoint(monitor.x() + monitor.width() / 2 - 50 * m_scale, monitor.y() + 50 * m_scale);
    hintArea = scaledTextArea(hintText, m_hintOrigin);
}

QRect Widget::monitorAt(QPoint p) const
{
    for (const QRect &monitor : m_monitors) {
        if (monitor.contains(p))
            return monitor;
    }
    return m_monitors.isEmpty() ? QRect(0, 0, screenWidth, screenHeight) : m_monitors.first();
}

QPoint Widget::devicePoint(const QMouseEvent *event) const
{
    return (event->position() * m_ratio).toPoint();
}

void Widget::updateDevice(const QRegion &area)
{
    if (m_ratio == 1) {
        update(area);
        return;
    }
    QRegion logical;
    for (const QRect &r : area) {
        const int left = int(std::floor(r.left() / m_ratio));
        const int top = int(std::floor(r.top() / m_ratio));
        const int right = int(std::ceil((r.right() + 1) / m_ratio));
        const int bottom = int(std::ceil((r.bottom() + 1) / m_ratio));
        logical += QRect(left, top, right - left, bottom - top);
    }
    update(logical);
}

bool Widget::runCapture(std::unique_ptr<GrabSource> source)
{
    bool grabbed = false;
    if (!keeper || keeper->busy) {
        // The hot key again while a capture is open: a second overlay over
        // the first, as a fresh window (as is every one when none is kept).
        Widget overlay(nullptr, QColor(0, 0, 255), -1, true, std::move(source));
        grabbed = overlay.runModal();
    } else {
        const QPointer<OverlayKeeper> owner = keeper;
        owner->busy = true;
        if (owner->overlay) {
            if (source)
                owner->overlay->m_source = std::move(source);
            owner->overlay->recapture();
        } else {
            owner->overlay = std::make_unique<Widget>(nullptr, QColor(0, 0, 255), -1, true, std::move(source));
        }
        // The owner may go while the capture's loop runs (the program ends).
        const QPointer<Widget> overlay = owner->overlay.get();
        grabbed = overlay->runModal();
        if (overlay && std::exchange(overlay->m_pinned, false)) {
            // The pinned picture's window is being mapped: released once it
            // is painted, unless the next capture has begun by then.
            QTimer::singleShot(PinnedReleaseDelayMs, owner, [owner, overlay] {
                if (owner && overlay && !owner->busy)
                    overlay->releasePicture();
            });
        } else if (overlay) {
            overlay->releasePicture();
        }
        if (owner)
            owner->busy = false;
    }
    // Nothing of a capture outlives it, not even in the allocator's heap.
    DesktopGrabber::releaseFreedMemory();
    return grabbed;
}

void Widget::createMenu()
{
    saveAction = new QAction(QIcon(QStringLiteral(":/img/save.png")), tr("保存到文件"), this);
    exitAction = new QAction(QIcon(QStringLiteral(":/img/close.png")), tr("退出"), this);
    boardAction = new QAction(QIcon(QStringLiteral(":/img/add.png")), tr("保存到剪贴板"), this);
    helpAction = new QAction(QIcon(QStringLiteral(":/img/about.png")), tr("使用帮助"), this);
    sizeAction = new QAction(QIcon(QStringLiteral(":/img/hide.png")), tr("设置固定尺寸"), this);
    pinAction = new QAction(QIcon(QStringLiteral(":/img/pin.png")), tr("钉在桌面"), this);
    noteAction = new QAction(QIcon(QStringLiteral(":/img/add.png")), tr("插入当前便签"), this);

    shotMenu = new QMenu(tr("截图菜单"), this);
    shotMenu->setStyleSheet(QStringLiteral("background-image:url(:/img/back1.png);color:white"));
    shotMenu->addAction(saveAction);
    shotMenu->addAction(boardAction);
    shotMenu->addSeparator();
    shotMenu->addAction(sizeAction);
    shotMenu->addSeparator();
    shotMenu->addAction(helpAction);
    shotMenu->addSeparator();
    // The outputs into the notebook, a group of their own.
    shotMenu->addAction(pinAction);
    shotMenu->addAction(noteAction);
    shotMenu->addSeparator();
    shotMenu->addAction(exitAction);

    connect(saveAction, &QAction::triggered, this, &Widget::saveImage);
    connect(boardAction, &QAction::triggered, this, &Widget::saveBoard);
    connect(sizeAction, &QAction::triggered, this, &Widget::input);
    connect(pinAction, &QAction::triggered, this, &Widget::pinToDesktop);
    connect(noteAction, &QAction::triggered, this, &Widget::addToNote);
    connect(helpAction, &QAction::triggered, this, &Widget::emitHelp);
    connect(exitAction, &QAction::triggered, this, &Widget::endCapture);
}

QString Widget::defaultSaveName(const QDateTime &captureTime)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString stamp = captureTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    return QDir(folder).filePath(tr("截图_%1.png").arg(stamp));
}

void Widget::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Started by a hot key, the overlay comes up while another program has
    // the focus; it needs the keyboard for its keys.
    activateWindow();
}

void Widget::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // A Wayland compositor's full-screen configure at the size the window has
    // already waits for a new frame (sway: 200 ms), and Qt draws none unasked.
    if (event->type() == QEvent::WindowStateChange && isVisible()
        && QGuiApplication::platformName() == QLatin1String("wayland"))
        update();
}

void Widget::updateCorners(QPoint p, QPoint q)
{
    sel.updateCorners(p, q);
}

// ---- mouse and keys ----------------------------------------------------------

void Widget::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = devicePoint(event);
    if (event->button() == Qt::LeftButton) {
        lastPoint.reset();
        const int handle = sel.pressedHandle(p);
        if (sel.interiorContains(p)) {
            m_press = Press::Moving;
        } else if (handle != CaptureSelection::NoHandle) {
            m_press = Press::Resizing;
            dragHandle = handle;
        } else {
            // A new selection starts, but the old one stays on screen until
            // the drag gives a rectangle.
            m_press = Press::Drawing;
            startPoint = p;
        }
    } else if (event->button() == Qt::RightButton) {
        if (sel.hits(p)) {
            m_press = Press::Menu;
        } else {
            const CaptureSelection before = sel;
            sel.clear();
            m_press = Press::None;
            lastPoint.reset();
            repaintChange(before);
        }
    }
}

void Widget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = devicePoint(event);
    if (m_press == Press::None || m_press == Press::Menu) {
        const Qt::CursorShape shape = sel.hoverShape(p);
        if (shape == Qt::ArrowCursor) {
            setCursor(QCursor(Qt::ArrowCursor));
        } else {
            handleCursor.setShape(shape);
            setCursor(handleCursor);
        }
        return;
    }

    const CaptureSelection before = sel;
    // Resizing and moving go by the pointer's step since the last event; the
    // first event of a drag only takes the starting point.
    switch (m_press) {
    case Press::Drawing:
        endPoint = p;
        updateCorners(startPoint, endPoint);
        break;
    case Press::Resizing:
        if (lastPoint)
            sel.resizeBy(dragHandle, p - *lastPoint);
        lastPoint = p;
        break;
    case Press::Moving:
        if (lastPoint)
            sel.moveBy(p - *lastPoint);
        lastPoint = p;
        break;
    case Press::None:
    case Press::Menu:
        break;
    }
    repaintChange(before);
}

void Widget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = devicePoint(event);
    // Any release ends what a press began.
    const Press ended = std::exchange(m_press, Press::None);
    lastPoint.reset();
    if (event->button() == Qt::RightButton && ended == Press::Menu && sel.hitsInteriorOrCorner(p))
        shotMenu->exec(event->globalPosition().toPoint());
}

void Widget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && sel.interiorContains(devicePoint(event)))
        saveBoard();
}

void Widget::keyPressEvent(QKeyEvent *event)
{
    const CaptureSelection before = sel;
    bool nudged = false;
    switch (event->key()) {
    case Qt::Key_Space:
        saveBoard();
        break;
    case Qt::Key_Escape:
        // The window itself is kept for the next capture (runCapture).
        endCapture();
        emit closed();
        break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        // The main keyboard's Return as the keypad's Enter: laptops have no keypad.
        saveImage();
        break;
    case Qt::Key_P:
        pinToDesktop();
        break;
    case Qt::Key_A:
        addToNote();
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        const auto arrow = event->key() == Qt::Key_Left ? CaptureSelection::Arrow::Left
            : event->key() == Qt::Key_Up               ? CaptureSelection::Arrow::Up
            : event->key() == Qt::Key_Right            ? CaptureSelection::Arrow::Right
                                                       : CaptureSelection::Arrow::Down;
        const Qt::KeyboardModifiers mods = event->modifiers();
        const int step = mods.testFlag(Qt::ShiftModifier) ? ArrowBigStep : 1;
        nudged = mods.testFlag(Qt::ControlModifier) ? sel.resizeByKey(arrow, step) : sel.nudge(arrow, step);
        break;
    }
    default:
        break;
    }
    if (nudged)
        repaintChange(before);
    else
        update();
}

void Widget::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        // A held key repeats its release; the help window opens once.
        if (!event->isAutoRepeat())
            emitHelp();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// ---- outputs ---------------------------------------------------------------

void Widget::saveImage()
{
    if (!takePicture())
        return;
    QString filter;
    const QString chosen = QFileDialog::getSaveFileName(this, tr("保存截图"), defaultSaveName(m_captureTime),
                                                        tr("PNG(*.png);;JPG(*.jpg);;BMP(*.bmp)"), &filter);
    savePath = ImageSuffixRule::apply(chosen, filter);
    if (savePath.isEmpty())
        return;

    // Opened here, so a folder that cannot be written is reported while the
    // picture is still on screen and another name can be chosen.
    auto file = std::make_unique<QSaveFile>(savePath);
    if (!file->open(QIODevice::WriteOnly)) {
        QMessageBox::warning(this, tr("保存截图"),
                             tr("截图未能保存到 %1：\n%2").arg(QDir::toNativeSeparators(savePath), file->errorString()));
        return;
    }
    qCDebug(lcCapture).noquote() << "Saving the capture as" << ImageSuffixRule::format(savePath, filter) << "to"
                                 << savePath;
    // Compressed on a worker thread: the overlay closes at once, and the file
    // appears only when it is complete.
    CaptureFileSaver::instance()->save(fullPixmap, sel.saveRect(), std::move(file),
                                       ImageSuffixRule::format(savePath, filter), picQuality);
    endCapture();
}

void Widget::saveBoard()
{
    if (!takePicture())
        return;
    const QRect area = sel.clipboardRect();
    // The whole desktop is shared with the clipboard as it is; a part is cut.
    const QImage image = area == fullPixmap.rect() ? fullPixmap : fullPixmap.copy(area);
    // On XWayland straight to the Wayland clipboard (see WaylandSelection).
    if (WaylandSelection *wayland = WaylandSelection::active())
        wayland->offer(ClipboardPayload::fromImage(image));
    else
        QApplication::clipboard()->setImage(image, QClipboard::Clipboard);
    endCapture();
}

void Widget::pinToDesktop()
{
    if (!takePicture())
        return;
    const QRect area = sel.saveRect();
    const QRect place = CaptureHandoff::logicalPlace(area, geometry().topLeft(), m_ratio);
    // The picture's stand-in is mapped over the overlay before it goes:
    // where the overlay showed the selection, the screen shows nothing else.
    CaptureHandoff::instance()->pin(fullPixmap, area, place, m_captureTime);
    m_pinned = true;
    endCapture();
}

void Widget::addToNote()
{
    if (!takePicture())
        return;
    const QImage picture = CaptureHandoff::cut(fullPixmap, sel.saveRect());
    endCapture();
    CaptureHandoff::instance()->addToNote(picture, m_captureTime);
}

void Widget::emitHelp()
{
    emit showHelp();
    AboutDialog help(nullptr);
    // On the monitor the pointer is on.
    if (const QScreen *screen = QGuiApplication::screenAt(QCursor::pos()))
        help.move(screen->geometry().center() - help.rect().center());
    help.exec();
}

void Widget::input()
{
    InputDialog dialog(nullptr);
    connect(&dialog, &InputDialog::input, this, &Widget::setMySize);
    dialog.exec();
}

void Widget::setMySize(int width, int height)
{
    const CaptureSelection before = sel;
    sel.setFixedSize(width, height);
    repaintChange(before);
}

// ---- painting --------------------------------------------------------------

QString Widget::startText(const CaptureSelection &selection) const
{
    return tr("截图开始坐标(%1,%2)")
        .arg(QString::number(selection.topLeft().x()), QString::number(selection.topLeft().y()));
}

QString Widget::sizeText(const CaptureSelection &selection) const
{
    const QSize size = selection.reportedSize();
    return tr("截图尺寸大小(%1,%2)").arg(QString::number(size.width()), QString::number(size.height()));
}

int Widget::labelTextWidth(const CaptureSelection &selection) const
{
    const QFontMetrics metrics = fontMetrics();
    return std::max(metrics.horizontalAdvance(startText(selection)), metrics.horizontalAdvance(sizeText(selection)))
        * m_scale;
}

QRect Widget::scaledTextArea(const QString &text, QPoint origin) const
{
    const QRect logical = fontMetrics().boundingRect(text);
    return QRect(origin + logical.topLeft() * m_scale, logical.size() * m_scale).adjusted(-2, -2, 2, 2);
}

void Widget::drawScaledText(QPainter &painter, QPoint origin, const QString &text) const
{
    if (m_scale == 1) {
        painter.drawText(origin, text);
        return;
    }
    painter.save();
    painter.translate(origin);
    painter.scale(m_scale, m_scale);
    painter.drawText(QPoint(0, 0), text);
    painter.restore();
}

QRegion Widget::decorations(const CaptureSelection &selection) const
{
    if (!selection.isShown())
        return QRegion();
    QRegion area;
    const QRect frame = stroked(selection.frameRect());
    area += QRect(frame.left(), frame.top(), frame.width(), 1);
    area += QRect(frame.left(), frame.bottom(), frame.width(), 1);
    area += QRect(frame.left(), frame.top(), 1, frame.height());
    area += QRect(frame.right(), frame.top(), 1, frame.height());
    for (int handle = CaptureSelection::TopLeftHandle; handle <= CaptureSelection::BottomHandle; ++handle)
        area += stroked(selection.handleSquare(handle));
    const CaptureSelection::Label label
        = selection.label(monitorAt(selection.topLeft()), m_scale, labelTextWidth(selection));
    area += stroked(label.box);
    area += scaledTextArea(startText(selection), label.startLine);
    area += scaledTextArea(sizeText(selection), label.sizeLine);
    return area;
}

void Widget::repaintChange(const CaptureSelection &before)
{
    if (before == sel)
        return;
    // The desktop is frozen: a pixel changes only where a decoration was or
    // is, or where it went from dimmed to undimmed or back.
    const QRegion insideBefore = before.isShown() ? QRegion(before.shownRect()) : QRegion();
    const QRegion insideNow = sel.isShown() ? QRegion(sel.shownRect()) : QRegion();
    updateDevice(decorations(before) + decorations(sel) + insideBefore.xored(insideNow));
}

void Widget::paintEvent(QPaintEvent *event)
{
    if (!sel.isShown()) {
        handleCursor.setShape(Qt::ArrowCursor);
        setCursor(handleCursor);
    }
    // The event's region in device pixels.
    QRegion region;
    for (const QRect &r : event->region()) {
        region += QRect((QPointF(r.topLeft()) * m_ratio).toPoint(),
                        (QPointF(r.bottomRight() + QPoint(1, 1)) * m_ratio).toPoint() - QPoint(1, 1));
    }
    if (m_presenter) {
        // Qt asks for a paint when the window is shown, before the window
        // system has mapped it; the expose that follows asks again.
        if (!windowHandle() || !windowHandle()->isExposed())
            return;
        // Mapping brings two exposes of the whole window (Qt's own and the
        // X server's) in one go: gathered, they cost one paint, not two.
        m_pendingPaint += region;
        if (!m_paintScheduled) {
            m_paintScheduled = true;
            QTimer::singleShot(0, this, &Widget::presentPending);
        }
        return;
    }
    QPainter painter(this);
    painter.scale(1 / m_ratio, 1 / m_ratio);
    // Each area is painted whole, in the overlay's painting order, so its
    // pixels are those a full repaint would give.
    for (const QRect &area : region)
        paintArea(painter, area);
}

void Widget::presentPending()
{
    m_paintScheduled = false;
    QRegion region = m_pendingPaint;
    m_pendingPaint = QRegion();
    if (!m_presenter || region.isEmpty() || !isVisible())
        return;
    const auto paint = [this](QPainter &painter, const QRect &area) { paintArea(painter, area); };
    const bool backdropFirst = m_backdropUnpainted && m_grabPending && !sel.isShown();
    m_backdropUnpainted = false;
    // The server paints the window from the frozen desktop, the same pixels
    // as ours; the program paints only the hint, from its part of the
    // picture. The whole picture follows once the window is on the screen,
    // or at the first thing that needs it.
    if (backdropFirst && m_source->paintBackdrop(region - hintArea)) {
        region &= hintArea;
        const QImage part = m_source->pendingPart(hintArea);
        if (!part.isNull()) {
            fullPixmap = part;
            m_pictureOrigin = hintArea.topLeft();
            m_presenter->present(region, paint);
            fullPixmap = QImage();
            m_pictureOrigin = QPoint();
            QTimer::singleShot(PictureDelayMs, this, &Widget::takePicture);
            return;
        }
    }
    if (takePicture())
        m_presenter->present(region, paint);
}

QImage Widget::paintedImage() const
{
    QImage image(fullPixmap.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintArea(painter, image.rect());
    return image;
}

void Widget::paintArea(QPainter &painter, const QRect &area) const
{
    painter.setClipRect(area);

    // The desktop, dimmed, with the hint.
    painter.drawImage(area.topLeft(), fullPixmap, area.translated(-m_pictureOrigin));
    painter.fillRect(area, DimColor);
    // What no monitor covers stays black: nothing of the desktop is there.
    for (const QRect &empty : m_uncovered & area)
        painter.fillRect(empty, Qt::black);
    if (area.intersects(hintArea)) {
        painter.setPen(HintColor);
        drawScaledText(painter, m_hintOrigin, hintText);
    }
    if (!sel.isShown())
        return;

    // Frame and handles, then the selection undimmed over their inner edges.
    painter.setPen(QPen(borderColor, 0));
    painter.setBrush(Qt::NoBrush);
    if (area.intersects(stroked(sel.frameRect())))
        painter.drawRect(sel.frameRect());
    for (int handle = CaptureSelection::TopLeftHandle; handle <= CaptureSelection::BottomHandle; ++handle) {
        const QRect square = sel.handleSquare(handle);
        if (area.intersects(stroked(square)))
            painter.drawRect(square);
    }
    const QRect inside = sel.shownRect() & area;
    if (!inside.isEmpty())
        painter.drawImage(inside.topLeft(), fullPixmap, inside.translated(-m_pictureOrigin));

    // The label box with the start and the size.
    const CaptureSelection::Label label = sel.label(monitorAt(sel.topLeft()), m_scale, labelTextWidth(sel));
    const QString start = startText(sel);
    const QString size = sizeText(sel);
    const QRect labelArea = stroked(label.box) | scaledTextArea(start, label.startLine)
        | scaledTextArea(size, label.sizeLine);
    if (!area.intersects(labelArea))
        return;
    painter.setBrush(QBrush(LabelColor, Qt::SolidPattern));
    painter.setPen(QPen(LabelColor, 0));
    painter.drawRect(label.box);
    painter.setPen(Qt::black);
    drawScaledText(painter, label.startLine, start);
    drawScaledText(painter, label.sizeLine, size);
}
