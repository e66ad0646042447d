#include "widget.h"

#include "aboutdialog.h"
#include "desktopgrabber.h"
#include "imagesuffixrule.h"
#include "inputdialog.h"

#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QClipboard>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWindow>

#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace {
const QColor DimColor(182, 182, 182, 192);
const QColor HintColor(255, 255, 0);
const QColor LabelColor(200, 200, 200, 165);

// Makes every page of a fresh buffer resident: one call where the kernel
// can do it (faster than faulting page by page), writes otherwise.
void touchPages(uchar *bits, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = uintptr_t(bits) & ~(page - 1);
    if (madvise(reinterpret_cast<void *>(begin), uintptr_t(bits) + bytes - begin, MADV_POPULATE_WRITE) == 0)
        return;
#endif
    std::memset(bits, 0, bytes);
}

// A stroked QRect covers one more column and row than the rectangle.
QRect stroked(const QRect &rect)
{
    return rect.adjusted(0, 0, 1, 1);
}
}

Widget::Widget(QWidget *parent, QColor color, int quality)
    : QDialog(parent)
    , borderColor(color)
    , picQuality(quality)
{
    createMenu();
    setMouseTracking(true);

    const QRect desktop = DesktopGrabber::geometry();
    screenWidth = desktop.width();
    screenHeight = desktop.height();
    sel.setDesktopSize(desktop.size());

    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // An explicit position: a dialog would otherwise be centred on the
    // available area, below any panel.
    setGeometry(desktop);
    // Every paint covers its whole area: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    // Grabbed before the overlay is shown, so it never shows itself.
    fullPixmap = DesktopGrabber::grab();
    prepareBackingStore();

    hintText = tr("如需使用帮助，请按F1");
    const QPoint hintOrigin(screenWidth / 2 - 50, 50);
    hintArea = fontMetrics().boundingRect(hintText).translated(hintOrigin).adjusted(-2, -2, 2, 2);
}

Widget::~Widget()
{
    finishPreparing();
}

void Widget::prepareBackingStore()
{
    // The backing store is as large as the desktop, and the first writes to
    // its fresh memory cost the kernel about as much as painting it (tens of
    // milliseconds at 3840 x 2160). Size the store of the still unmapped
    // window now and let a second thread touch every page while the window
    // manager maps the window; the first paint then only paints. Doing this
    // during the grab instead would hold a third full-size buffer at once
    // and slow the grab as much as it gains.
    create();
    QBackingStore *store = backingStore();
    if (!store)
        return;
    store->resize(size());
    auto *image = dynamic_cast<QImage *>(store->paintDevice());
    if (!image || image->size() != size())
        return;
    // constBits(): never detach (and so replace) the store's own buffer.
    auto *bits = const_cast<uchar *>(image->constBits());
    const size_t bytes = size_t(image->sizeInBytes());
    preparedSize = size();
    // Qt changes or frees the store only while handling an event of this
    // widget or its window (or when the window is destroyed): those wait.
    windowHandle()->installEventFilter(this);
    preparing = std::thread([bits, bytes] { touchPages(bits, bytes); });
}

void Widget::finishPreparing()
{
    if (!preparing.joinable())
        return;
    preparing.join();
    if (QWindow *window = windowHandle())
        window->removeEventFilter(this);
}

bool Widget::leavesBackingStore(QEvent *event) const
{
    switch (event->type()) {
    case QEvent::Resize:
        // Showing sends the pending resize event, of the same size.
        return static_cast<QResizeEvent *>(event)->size() == preparedSize;
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::ShowToParent:
    case QEvent::Polish:
    case QEvent::PolishRequest:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ActivationChange:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::FocusAboutToChange:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::CursorChange:
    case QEvent::Timer:
    case QEvent::MetaCall:
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
    case QEvent::ChildRemoved:
        return true;
    default:
        return false;
    }
}

bool Widget::event(QEvent *event)
{
    if (!leavesBackingStore(event))
        finishPreparing();
    return QDialog::event(event);
}

bool Widget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() && !leavesBackingStore(event))
        finishPreparing();
    return QDialog::eventFilter(watched, event);
}

void Widget::runCapture()
{
    {
        Widget overlay(nullptr, QColor(0, 0, 255), -1);
        overlay.exec();
    }
    // Nothing of a capture outlives it, not even in the allocator's heap.
    DesktopGrabber::releaseFreedMemory();
}

void Widget::createMenu()
{
    saveAction = new QAction(QIcon(QStringLiteral(":/img/save.png")), tr("保存到文件"), this);
    exitAction = new QAction(QIcon(QStringLiteral(":/img/close.png")), tr("退出"), this);
    boardAction = new QAction(QIcon(QStringLiteral(":/img/add.png")), tr("保存到剪贴板"), this);
    helpAction = new QAction(QIcon(QStringLiteral(":/img/about.png")), tr("使用帮助"), this);
    sizeAction = new QAction(QIcon(QStringLiteral(":/img/hide.png")), tr("设置固定尺寸"), this);

    shotMenu = new QMenu(tr("截图菜单"), this);
    shotMenu->setStyleSheet(QStringLiteral("background-image:url(:/img/back1.png);color:white"));
    shotMenu->addAction(saveAction);
    shotMenu->addAction(boardAction);
    shotMenu->addSeparator();
    shotMenu->addAction(sizeAction);
    shotMenu->addSeparator();
    shotMenu->addAction(helpAction);
    shotMenu->addSeparator();
    shotMenu->addAction(exitAction);

    connect(saveAction, &QAction::triggered, this, &Widget::saveImage);
    connect(boardAction, &QAction::triggered, this, &Widget::saveBoard);
    connect(sizeAction, &QAction::triggered, this, &Widget::input);
    connect(helpAction, &QAction::triggered, this, &Widget::emitHelp);
    connect(exitAction, &QAction::triggered, this, &Widget::close);
}

QString Widget::defaultSaveName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(QStringLiteral("untitled.png"));
}

void Widget::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Started by a hot key, the overlay comes up while another program has
    // the focus; it needs the keyboard for its keys.
    activateWindow();
}

void Widget::updateCorners(QPoint p, QPoint q)
{
    sel.updateCorners(p, q);
}

// ---- mouse and keys ----------------------------------------------------------

void Widget::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        leftPressed = true;
        // Outside: a new selection starts, but the old one stays on screen
        // until the drag gives a rectangle.
        if (!sel.hits(p)) {
            startPoint = p;
            selectDone = false;
        }
        if (sel.interiorContains(p))
            isMoving = true;
        const int handle = sel.pressedHandle(p);
        if (handle != CaptureSelection::NoHandle) {
            isResizing = true;
            dragHandle = handle;
        }
    } else if (event->button() == Qt::RightButton) {
        if (sel.hits(p)) {
            menuArmed = true;
        } else {
            const CaptureSelection before = sel;
            sel.clear();
            selectDone = false;
            leftPressed = false;
            lastPointValid = false;
            isResizing = false;
            isMoving = false;
            menuArmed = false;
            repaintChange(before);
        }
    }
}

void Widget::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (!leftPressed) {
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
    if (!selectDone) {
        endPoint = p;
        updateCorners(startPoint, endPoint);
    }
    // Resizing and moving go by the pointer's step since the last event; the
    // first event of a drag only takes the starting point.
    if (isResizing) {
        if (lastPointValid)
            sel.resizeBy(dragHandle, p - lastPoint);
        lastPoint = p;
        lastPointValid = true;
    }
    if (isMoving) {
        if (lastPointValid)
            sel.moveBy(p - lastPoint);
        lastPoint = p;
        lastPointValid = true;
    }
    repaintChange(before);
}

void Widget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    leftPressed = false;
    lastPointValid = false;
    isResizing = false;
    isMoving = false;
    selectDone = true;
    if (event->button() == Qt::RightButton && menuArmed && sel.hitsInteriorOrCorner(p))
        shotMenu->exec(event->globalPosition().toPoint());
    menuArmed = false;
}

void Widget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && sel.interiorContains(event->position().toPoint()))
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
        close();
        finishPreparing();
        destroy(true, true);
        emit closed();
        break;
    case Qt::Key_Enter:
        // Only the keypad Enter: Return is left unbound.
        saveImage();
        break;
    case Qt::Key_Left:
        nudged = sel.nudge(CaptureSelection::Arrow::Left);
        break;
    case Qt::Key_Up:
        nudged = sel.nudge(CaptureSelection::Arrow::Up);
        break;
    case Qt::Key_Right:
        nudged = sel.nudge(CaptureSelection::Arrow::Right);
        break;
    case Qt::Key_Down:
        nudged = sel.nudge(CaptureSelection::Arrow::Down);
        break;
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
    QString filter;
    const QString chosen = QFileDialog::getSaveFileName(this, tr("保存截图"), defaultSaveName(),
                                                        tr("PNG(*.png);;JPG(*.jpg);;BMP(*.bmp)"), &filter);
    savePath = ImageSuffixRule::apply(chosen, filter);
    if (savePath.isEmpty())
        return;

    QString error;
    if (!writeImage(filter, &error)) {
        // The picture is still here: say what went wrong and let the user
        // choose another name instead of closing as if it had been saved.
        QMessageBox::warning(this, tr("保存截图"),
                             tr("截图未能保存到 %1：\n%2").arg(QDir::toNativeSeparators(savePath), error));
        return;
    }
    close();
}

bool Widget::writeImage(const QString &filter, QString *error)
{
    const QByteArray format = ImageSuffixRule::format(savePath, filter);
    // Written beside the target and renamed over it only when complete: a
    // failure never leaves an empty or partial file, nor spoils an old one.
    saveFile = new QSaveFile(savePath);
    bool ok = false;
    if (!saveFile->open(QIODevice::WriteOnly)) {
        *error = saveFile->errorString();
    } else {
        QImageWriter writer(saveFile, format);
        writer.setQuality(picQuality);
        if (writer.write(fullPixmap.copy(sel.fileRect()).toImage())) {
            qDebug() << QFileInfo(savePath).suffix();
            ok = saveFile->commit();
            if (!ok)
                *error = saveFile->errorString();
        } else {
            *error = writer.errorString();
            saveFile->cancelWriting();
        }
    }
    delete saveFile;
    saveFile = nullptr;
    return ok;
}

void Widget::saveBoard()
{
    QApplication::clipboard()->setImage(fullPixmap.copy(sel.shownRect()).toImage(), QClipboard::Clipboard);
    close();
}

void Widget::emitHelp()
{
    emit showHelp();
    AboutDialog help(nullptr);
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
    const CaptureSelection::Label label = selection.label();
    area += stroked(label.box);
    const QFontMetrics metrics = fontMetrics();
    area += metrics.boundingRect(startText(selection)).translated(label.startLine).adjusted(-2, -2, 2, 2);
    area += metrics.boundingRect(sizeText(selection)).translated(label.sizeLine).adjusted(-2, -2, 2, 2);
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
    update(decorations(before) + decorations(sel) + insideBefore.xored(insideNow));
}

void Widget::paintEvent(QPaintEvent *event)
{
    if (!sel.isShown()) {
        handleCursor.setShape(Qt::ArrowCursor);
        setCursor(handleCursor);
    }
    QPainter painter(this);
    // Each area is painted whole, in the overlay's painting order, so its
    // pixels are those a full repaint would give.
    for (const QRect &area : event->region())
        paintArea(painter, area);
}

void Widget::paintArea(QPainter &painter, const QRect &area)
{
    painter.setClipRect(area);

    // The desktop, dimmed, with the hint.
    painter.drawPixmap(area, fullPixmap, area);
    painter.fillRect(area, DimColor);
    if (area.intersects(hintArea)) {
        painter.setPen(HintColor);
        painter.drawText(QPoint(screenWidth / 2 - 50, 50), hintText);
    }
    if (!sel.isShown())
        return;

    // Frame and handles, then the selection undimmed over their inner edges.
    painter.setPen(QPen(borderColor));
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
        painter.drawPixmap(inside.topLeft(), fullPixmap, inside);

    // The label box with the start and the size.
    const CaptureSelection::Label label = sel.label();
    const QFontMetrics metrics = fontMetrics();
    const QString start = startText(sel);
    const QString size = sizeText(sel);
    const QRect labelArea = stroked(label.box)
        | metrics.boundingRect(start).translated(label.startLine).adjusted(-2, -2, 2, 2)
        | metrics.boundingRect(size).translated(label.sizeLine).adjusted(-2, -2, 2, 2);
    if (!area.intersects(labelArea))
        return;
    painter.setBrush(QBrush(LabelColor, Qt::SolidPattern));
    painter.setPen(LabelColor);
    painter.drawRect(label.box);
    painter.setPen(Qt::black);
    painter.drawText(label.startLine, start);
    painter.drawText(label.sizeLine, size);
}
