#pragma once

#include <QString>
#include <QStringList>

class Plot;
class QWidget;

// The export buttons of the plot window and the Measurements tab: asks for a file name (adding
// the first extension when the name has none of them), writes the plot and shows "Save error"
// when it could not. GUI thread.
class PlotFileExport
{
public:
    static void saveCSV(QWidget* parent, Plot* plot);
    static void savePNG(QWidget* parent, Plot* plot);

private:
    static QString askFileName(QWidget* parent, const QString& caption, const QString& filter,
                               const QStringList& extensions);
};
