// Every text of the program has a finished English translation: the sources
// are scanned with lupdate into a copy of the translation file (as
// scripts/update-translations.sh does), and each text left without a finished
// translation is reported with its context.

#include <QtTest>
#include <QXmlStreamReader>

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void everySourceTextHasFinishedEnglish();
};

void TestTranslations::everySourceTextHasFinishedEnglish()
{
    QTemporaryDir dir;
    const QString ts = dir.path() + QLatin1String("/velmonote_en.ts");
    QVERIFY(QFile::copy(QStringLiteral(VELMO_SOURCE_DIR "/translations/velmonote_en.ts"), ts));
    QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);

    QProcess lupdate;
    lupdate.setWorkingDirectory(QStringLiteral(VELMO_SOURCE_DIR));
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(VELMO_LUPDATE),
                  {QStringLiteral("-source-language"), QStringLiteral("zh_CN"), QStringLiteral("-target-language"),
                   QStringLiteral("en"), QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("app"),
                   QStringLiteral("notebook"), QStringLiteral("editing"), QStringLiteral("desknote"),
                   QStringLiteral("skin"), QStringLiteral("capture"), QStringLiteral("common"),
                   QStringLiteral("-ts"), ts});
    QVERIFY2(lupdate.waitForFinished(120000), "lupdate did not finish");
    const QString log = QString::fromLocal8Bit(lupdate.readAll());
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, qPrintable(log));

    QFile file(ts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString context;
    QString source;
    int texts = 0;
    QStringList untranslated;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            if (type == QLatin1String("vanished") || type == QLatin1String("obsolete"))
                continue; // no longer in the sources
            ++texts;
            const QString translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!type.isEmpty() || translation.isEmpty())
                untranslated << context + QLatin1String(": \"") + source + QLatin1Char('"');
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(texts > 100, qPrintable(QStringLiteral("only %1 texts found: %2").arg(texts).arg(log)));
    QVERIFY2(untranslated.isEmpty(),
             qPrintable(QStringLiteral("%1 texts lack a finished English translation "
                                       "(run scripts/update-translations.sh, then translate them in linguist):\n")
                            .arg(untranslated.size())
                        + untranslated.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
