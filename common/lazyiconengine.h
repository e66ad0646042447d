#pragma once

#include <QIcon>
#include <QIconEngine>
#include <optional>

/// An icon engine that reads its picture file the first time the icon is
/// painted or asked for a pixmap or its sizes, instead of when the icon is
/// made (QIcon(fileName) decodes at once). Most of the program's buttons start
/// hidden, so reading only what is shown keeps decoding out of the first paint.
class LazyIconEngine : public QIconEngine
{
public:
    explicit LazyIconEngine(const QString &fileName);

    /// An icon of this engine for fileName.
    static QIcon icon(const QString &fileName);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine *clone() const override;
    /// Answered without reading the file: asking whether a button has an
    /// icon must not decode it.
    bool isNull() override;

    /// Whether the file has been read (for tests).
    bool isLoaded() const { return m_loadedIcon.has_value(); }

private:
    const QIcon &loaded();

    QString m_fileName;
    std::optional<QIcon> m_loadedIcon;
};
