#include "PlotFileExport.h"

#include "Plot.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

void PlotFileExport::saveCSV(QWidget* parent, Plot* plot)
{
    const QString name = askFileName(parent, QStringLiteral("Save to CSV"), QStringLiteral("*.csv;;*.dat"),
                                     {QStringLiteral(".csv"), QStringLiteral(".dat")});
    if (name.isEmpty())
        return;
    if (!plot->exportCSV(QFileInfo(name)))
        QMessageBox::critical(parent, QStringLiteral("Save error"), QStringLiteral("Unable to save CSV file to %1").arg(name));
}

void PlotFileExport::savePNG(QWidget* parent, Plot* plot)
{
    const QString name = askFileName(parent, QStringLiteral("Save to PNG"), QStringLiteral("*.png"), {QStringLiteral(".png")});
    if (name.isEmpty())
        return;
    if (!plot->exportPNG(QFileInfo(name)))
        QMessageBox::critical(parent, QStringLiteral("Save error"), QStringLiteral("Unable to save PNG file to %1").arg(name));
}

QString PlotFileExport::askFileName(QWidget* parent, const QString& caption, const QString& filter,
                                    const QStringList& extensions)
{
    const QString name = QFileDialog::getSaveFileName(parent, caption, QString(), filter);
    if (name.isEmpty())
        return name;
    const QString lower = name.toLower();
    for (const QString& extension : extensions)
        if (lower.endsWith(extension))
            return name;
    return name + extensions.first();
}
