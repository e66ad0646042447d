#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

/// Pictures no note refers to any more: they leave pictures/ for
/// "trash/pictures/<same name>", beside the deleted notes that dropped them,
/// and come back when a note refers to them again (a deleted note restored,
/// an undone edit). Nothing here decides which pictures are unreferenced:
/// the caller scans every note first and names them. A file goes away only
/// with prune(), after the trash's own keeping time.
///
/// Only names of PictureStore's form are touched, and only regular files:
/// links and anything else are left where they are.
class PictureTrash
{
    Q_DECLARE_TR_FUNCTIONS(PictureTrash)
public:
    /// Inside the notebook folder.
    static QString folderName() { return QStringLiteral("trash/pictures"); }

    explicit PictureTrash(const QString &notebookFolder);

    /// The notebook's pictures that html refers to (src="pictures/…").
    static QSet<QString> referencedBy(const QString &html);

    /// Moves each of names found in pictures/ into the trash. A copy already
    /// there of the same size stands for it. Returns the errors, each naming
    /// the file; a picture that could not be moved stays in pictures/.
    QStringList drop(const QSet<QString> &names) const;
    /// Moves back into pictures/ those of names that are in the trash and no
    /// longer in pictures/. Returns the errors.
    QStringList bringBack(const QSet<QString> &names) const;
    /// Whether name (a picture name) is in the trash.
    bool holds(const QString &name) const;
    /// Removes the pictures put into the trash more than days before now
    /// that none of the names keep gives refers to (asked only when such a
    /// picture is there). Returns how many went; failures in errors.
    int prune(const QDateTime &now, int days, const std::function<QSet<QString>()> &keep,
              QStringList *errors = nullptr) const;

private:
    QString m_folder;
};
