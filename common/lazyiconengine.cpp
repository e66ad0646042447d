#include "lazyiconengine.h"

#include <QPainter>

LazyIconEngine::LazyIconEngine(const QString &fileName)
    : m_fileName(fileName)
{
}

QIcon LazyIconEngine::icon(const QString &fileName)
{
    return QIcon(new LazyIconEngine(fileName));
}

const QIcon &LazyIconEngine::loaded()
{
    if (!m_loadedIcon)
        m_loadedIcon.emplace(m_fileName);
    return *m_loadedIcon;
}

void LazyIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    loaded().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize LazyIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return loaded().actualSize(size, mode, state);
}

QPixmap LazyIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return loaded().pixmap(size, mode, state);
}

QPixmap LazyIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    return loaded().pixmap(size, scale, mode, state);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return loaded().availableSizes(mode, state);
}

QString LazyIconEngine::key() const
{
    return QStringLiteral("LazyIconEngine");
}

QIconEngine *LazyIconEngine::clone() const
{
    auto *copy = new LazyIconEngine(m_fileName);
    copy->m_loadedIcon = m_loadedIcon;
    return copy;
}

bool LazyIconEngine::isNull()
{
    return m_fileName.isEmpty();
}
