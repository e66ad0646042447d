#include "privatesessionbus.h"
#include "remindernotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString standIn = QStringLiteral(VELMO_SOURCE_DIR "/tests/desknote/standin_notifications.py");
const QString service = QStringLiteral("org.freedesktop.Notifications");
}

/// The notification a ringing reminder sends, against a stand-in server on
/// a private session bus: with a server, one that refuses, and none.
class TestReminderNotifier : public QObject
{
    Q_OBJECT
private slots:
    void namesTheNoteOrFallsBack_data();
    void namesTheNoteOrFallsBack();
};

void TestReminderNotifier::namesTheNoteOrFallsBack_data()
{
    QTest::addColumn<QString>("server"); // "", "answer" or "refuse"
    QTest::addColumn<bool>("fallback");
    QTest::newRow("server shows it") << QStringLiteral("answer") << false;
    QTest::newRow("server refuses") << QStringLiteral("refuse") << true;
    QTest::newRow("no server") << QString() << true;
}

void TestReminderNotifier::namesTheNoteOrFallsBack()
{
    QFETCH(QString, server);
    QFETCH(bool, fallback);
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("calls.jsonl"));
    QProcess process;
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    QVERIFY(bus);
    if (!server.isEmpty()) {
        process.start(standIn, {log, server});
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(service), 10000);
    }
    QVERIFY(!bus->isServiceRegistered(service) || !server.isEmpty());

    ReminderNotifier notifier;
    QSignalSpy unavailable(&notifier, &ReminderNotifier::unavailable);
    const QString name = QStringLiteral("Shopping «list»");
    notifier.notify(name);

    if (fallback) {
        QTRY_COMPARE_WITH_TIMEOUT(unavailable.size(), 1, 10000);
        QVERIFY(unavailable.at(0).at(0).toString().contains(name));
    }
    if (!server.isEmpty()) {
        QFile file(log);
        QTRY_VERIFY_WITH_TIMEOUT(file.exists() && file.size() > 0, 10000);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 1);
        const QJsonObject call = QJsonDocument::fromJson(lines.at(0)).object();
        QCOMPARE(call.value(QLatin1String("app")).toString(), QStringLiteral("Velmo Note"));
        QCOMPARE(call.value(QLatin1String("summary")).toString(), ReminderNotifier::summaryFor(name));
        QVERIFY(call.value(QLatin1String("summary")).toString().contains(name));
    }
    if (!fallback) {
        // An answer that comes must not be taken for a refusal.
        QTest::qWait(300);
        QCOMPARE(unavailable.size(), 0);
    }
    if (!server.isEmpty()) {
        process.terminate();
        QVERIFY(process.waitForFinished(10000));
        QTRY_VERIFY_WITH_TIMEOUT(!bus->isServiceRegistered(service), 10000);
    }
}

int main(int argc, char *argv[])
{
    return PrivateSessionBus::run<QCoreApplication, TestReminderNotifier>(argc, argv);
}

#include "tst_remindernotifier.moc"
