#include "platform/ui/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace vorbel {

namespace {

const QString Caption = QStringLiteral("提示");

QMessageBox::Icon qtIcon(MessageBoxes::Icon icon)
{
    switch (icon) {
    case MessageBoxes::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBoxes::Icon::Error:
        return QMessageBox::Critical;
    case MessageBoxes::Icon::Question:
        return QMessageBox::Question;
    default:
        return QMessageBox::Information;
    }
}

} // namespace

void QtMessageBoxes::inform(const QString& text, Icon icon)
{
    QMessageBox box(qtIcon(icon), Caption, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtMessageBoxes::confirm(const QString& text)
{
    QMessageBox box(QMessageBox::Question, Caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Ok;
}

} // namespace vorbel
