#include "lazyiconengine.h"

#include <QPainter>
#include <QtTest>
#include <QToolButton>

// Icons read on first use: nothing is decoded until the icon is painted or a
// pixmap is asked for, and what is drawn then is what QIcon(file) draws.
class TestLazyIconEngine : public QObject
{
    Q_OBJECT
private slots:
    void readsOnlyWhenFirstNeeded();
    void drawsWhatAnEagerIconDraws_data();
    void drawsWhatAnEagerIconDraws();
    void copiesShareTheReadPicture();
};

namespace {
QString writePicture(const QString &folder)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBrush(QColor(200, 40, 40));
    painter.drawEllipse(QRect(4, 4, 24, 24));
    painter.end();
    const QString path = folder + QLatin1String("/dot.png");
    return image.save(path) ? path : QString();
}
}

void TestLazyIconEngine::readsOnlyWhenFirstNeeded()
{
    QTemporaryDir dir;
    const QString path = writePicture(dir.path());
    QVERIFY(!path.isEmpty());

    auto *engine = new LazyIconEngine(path);
    const QIcon icon(engine);
    QToolButton button;
    button.setIcon(icon);
    button.setIconSize(QSize(20, 20));
    (void)button.sizeHint();
    QVERIFY(!icon.isNull());
    QVERIFY2(!engine->isLoaded(), "made, set on a button and measured: nothing to read yet");

    // The file is read when the icon is first needed; a change to the file
    // after that is not seen (it is read once).
    QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
    QVERIFY(engine->isLoaded());
    QVERIFY(QFile::remove(path));
    QCOMPARE(icon.pixmap(QSize(20, 20)).size(), QSize(20, 20));

    // A missing file gives an icon that draws nothing rather than failing.
    const QIcon missing = LazyIconEngine::icon(dir.path() + QLatin1String("/none.png"));
    QVERIFY(missing.pixmap(QSize(16, 16)).isNull());
}

void TestLazyIconEngine::drawsWhatAnEagerIconDraws_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("side");
    QTest::newRow("normal 13") << int(QIcon::Normal) << 13;
    QTest::newRow("normal 32") << int(QIcon::Normal) << 32;
    QTest::newRow("disabled 20") << int(QIcon::Disabled) << 20;
    QTest::newRow("active 25") << int(QIcon::Active) << 25;
}

void TestLazyIconEngine::drawsWhatAnEagerIconDraws()
{
    QFETCH(int, mode);
    QFETCH(int, side);
    QTemporaryDir dir;
    const QString path = writePicture(dir.path());
    const QIcon eager(path);
    const QIcon lazy = LazyIconEngine::icon(path);
    const QSize size(side, side);
    const auto iconMode = QIcon::Mode(mode);

    QCOMPARE(lazy.actualSize(size, iconMode), eager.actualSize(size, iconMode));
    QCOMPARE(lazy.pixmap(size, iconMode).toImage(), eager.pixmap(size, iconMode).toImage());

    // Painted into a rectangle, as buttons do.
    QImage lazyPaint(40, 40, QImage::Format_ARGB32_Premultiplied);
    QImage eagerPaint(40, 40, QImage::Format_ARGB32_Premultiplied);
    lazyPaint.fill(Qt::white);
    eagerPaint.fill(Qt::white);
    {
        QPainter painter(&lazyPaint);
        lazy.paint(&painter, QRect(QPoint(3, 3), size), Qt::AlignCenter, iconMode);
    }
    {
        QPainter painter(&eagerPaint);
        eager.paint(&painter, QRect(QPoint(3, 3), size), Qt::AlignCenter, iconMode);
    }
    QCOMPARE(lazyPaint, eagerPaint);
}

void TestLazyIconEngine::copiesShareTheReadPicture()
{
    QTemporaryDir dir;
    const QString path = writePicture(dir.path());
    QIcon first = LazyIconEngine::icon(path);
    (void)first.pixmap(QSize(16, 16));
    QIcon copy = first;
    copy.detach(); // clones the engine
    QVERIFY(QFile::remove(path));
    QCOMPARE(copy.pixmap(QSize(16, 16)).toImage(), first.pixmap(QSize(16, 16)).toImage());
    QVERIFY(!copy.pixmap(QSize(16, 16)).isNull());
}

QTEST_MAIN(TestLazyIconEngine)
#include "tst_lazyiconengine.moc"
