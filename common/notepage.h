#pragma once

#include <QString>

/// The look of a note editor: white paper with a dog-eared corner at the
/// bottom left. Each editor carries the style itself, so it keeps its look
/// when it moves between the notebook and a desktop note, and the windows
/// around it are not restyled (which would slow down every repaint).
namespace NotePage {
inline QString styleSheet()
{
    return QStringLiteral(
        "QTextEdit {background-image: url(:/img/pagefold.png);background-position: bottom left; "
        "background-repeat: repeat-n;background-color: white; background-attachment: fixed;}");
}
}
