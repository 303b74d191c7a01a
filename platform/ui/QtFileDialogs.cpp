#include "platform/ui/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace vorbel {

std::optional<QString> QtFileDialogs::saveFileName(const QString& caption, const QString& suggestedName,
                                                   const QString& filter)
{
    // Started from the home folder, the dialog would offer wherever the program happened to start (a
    // desktop starts it in the home folder, the demo in its own folder); the documents folder is where
    // a user looks for a saved list.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString chosen = QFileDialog::getSaveFileName(QApplication::activeWindow(), caption,
                                                        QDir(folder).filePath(suggestedName), filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace vorbel
