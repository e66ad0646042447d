#include "globalshortcut.h"

#include "globalshortcutprivate.h"

GlobalShortcut::GlobalShortcut(const QKeySequence &shortcut, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<GlobalShortcutPrivate>())
{
    d->setPublic(this);
    setShortcut(shortcut);
}

GlobalShortcut::~GlobalShortcut()
{
    if (d->qtKey != 0)
        d->unbindHotKey();
}

bool GlobalShortcut::isEnabled() const
{
    return d->enabled;
}

void GlobalShortcut::setEnabled(bool enabled)
{
    d->enabled = enabled;
}

void GlobalShortcut::setDisabled(bool disabled)
{
    d->enabled = !disabled;
}

QKeySequence GlobalShortcut::shortcut() const
{
    return QKeySequence(d->qtKey | d->qtMods);
}

bool GlobalShortcut::setShortcut(const QKeySequence &shortcut)
{
    if (d->qtKey != 0)
        d->unbindHotKey();
    return d->bindHotKey(shortcut);
}
