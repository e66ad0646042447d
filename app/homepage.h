#pragma once

#include <QObject>
#include <QString>

class QTextEdit;

/// The home tab's page: read-only, its text read from the notebook folder's
/// home page file and laid out once, at its real width, when it first shows
/// (laying it out earlier would cost the first paint).
class HomePage : public QObject
{
    Q_OBJECT
public:
    /// edit: the home tab's editor, set up here; it outlives this object.
    HomePage(QTextEdit *edit, QObject *parent);

    /// Reads file; false when it cannot be read (the page stays empty).
    bool load(const QString &file);

signals:
    /// The page holds its text, or none will come: what it shows is final.
    void ready(QTextEdit *edit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTextEdit *m_edit;
    QString m_html;
};
