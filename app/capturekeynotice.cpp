#include "capturekeynotice.h"

#include "capturecommand.h"
#include "notebookfolder.h"
#include "notestatekeeper.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString CaptureKeyNotice::once(NoteStateKeeper *state, const QString &reason, bool trayMenu)
{
    if (state->captureKeyNoticeSeen())
        return QString();
    state->setCaptureKeyNoticeSeen();
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString onPath = QFileInfo(QStandardPaths::findExecutable(QStringLiteral("velmonote"))).canonicalFilePath();
    const QString folder = QFileInfo(QDir::currentPath()).canonicalFilePath();
    const QString menuFolder = NotebookFolder::defaultFolder(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    const QString command = CaptureCommand::forNotebook(program, onPath, folder,
                                                        QFileInfo(menuFolder).canonicalFilePath());
    QString text = tr("Ctrl+Alt+C 不能用来截图：%1。\n\n请在桌面的键盘设置里选一个按键，绑定到这个命令：\n%2").arg(reason, command);
    if (trayMenu)
        text += QLatin1Char('\n') + tr("也可以从托盘菜单的“截图”开始。");
    return text;
}

QString CaptureKeyNotice::title() { return tr("截图热键不可用"); }
