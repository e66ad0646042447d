#include "uilanguage.h"
#include "logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {
UiLanguage::Texts chosen = UiLanguage::Texts::Chinese;
}

UiLanguage::Texts UiLanguage::choose(const QStringList &uiLanguages)
{
    const QString first = uiLanguages.value(0);
    if (first.isEmpty() || first == QLatin1String("C") || first == QLatin1String("POSIX"))
        return Texts::Chinese;
    const QLocale locale(first);
    if (locale.language() == QLocale::Chinese || locale.language() == QLocale::C)
        return Texts::Chinese;
    return Texts::English;
}

QLocale UiLanguage::qtLocale(Texts texts, const QLocale &system)
{
    if (texts == Texts::Chinese && system.language() != QLocale::Chinese)
        return QLocale(QLocale::Chinese, QLocale::China);
    return system;
}

UiLanguage::Texts UiLanguage::install(QCoreApplication *app)
{
    const QLocale system = QLocale::system();
    chosen = choose(system.uiLanguages());
    if (chosen == Texts::English) {
        auto *own = new QTranslator(app);
        if (own->load(QStringLiteral(":/i18n/velmonote_en.qm")))
            QCoreApplication::installTranslator(own);
        else {
            qCWarning(lcApp, "Velmo Note: the English translation is missing, texts stay Chinese");
            chosen = Texts::Chinese;
        }
    }
    // Qt's own texts (standard dialogs) in the program's language (Debian:
    // qt6-translations-l10n); none where the package is not installed.
    if (const QLocale qtTexts = qtLocale(chosen, system); qtTexts.language() != QLocale::C) {
        auto *qt = new QTranslator(app);
        if (qt->load(qtTexts, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
    }
    return chosen;
}

UiLanguage::Texts UiLanguage::current()
{
    return chosen;
}

QString UiLanguage::homePageFile(const QString &dir)
{
    return homePageFile(dir, chosen);
}

QString UiLanguage::homePageFile(const QString &dir, Texts texts)
{
    const QString plain = dir + QLatin1String("/index.dat");
    if (texts == Texts::English) {
        const QString english = dir + QLatin1String("/index.en.dat");
        if (QFileInfo(english).isFile())
            return english;
    }
    return plain;
}
