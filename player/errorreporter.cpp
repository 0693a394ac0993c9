#include "player/errorreporter.h"

#include <QMessageBox>

void MessageBoxErrorReporter::ReportError(QWidget *owner, const QString &message)
{
    QMessageBox::critical(owner, QStringLiteral("Orvanto"), message);
}
