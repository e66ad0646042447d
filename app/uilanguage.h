#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

/// The language of the program's texts. The texts are written in Chinese;
/// Chinese locales and the plain C/POSIX locale keep them. Any other language
/// gets the English translation embedded under ":/i18n", and Qt's own
/// translation for that language (standard dialogs, context menus) where the
/// system has one. The home page follows: index.en.dat beside index.dat.
class UiLanguage
{
public:
    enum class Texts { Chinese, English };

    /// uiLanguages: the user's languages in order of preference, as
    /// QLocale::uiLanguages() gives them ("en-US", "zh-CN", "C").
    static Texts choose(const QStringList &uiLanguages);
    /// The locale whose Qt translation (qtbase) goes with texts on a system
    /// of locale system: Chinese texts get Chinese dialogs even under the C
    /// locale; English texts get the system's language. QLocale::c() for none.
    static QLocale qtLocale(Texts texts, const QLocale &system);

    /// Chooses from the system locale and installs the translators on app
    /// (which owns them). Returns the choice, also kept for current().
    static Texts install(QCoreApplication *app);
    static Texts current();

    /// The home page of the notebook in dir for the current texts:
    /// index.en.dat in English when there is one, else index.dat.
    static QString homePageFile(const QString &dir);
    static QString homePageFile(const QString &dir, Texts texts);
};
