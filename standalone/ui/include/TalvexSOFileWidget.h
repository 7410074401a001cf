#pragma once

#include <QWidget>

class QTabWidget;
class TalvexDocument;
class TalvexSODocument;
class UIHistoryLineEdit;

// The panel of stand-alone configurations: a file name with the history of used files, and
// the actions to browse for a ".tso" file, make a new configuration from the device
// document's, edit a file in the configuration dialog and open it in an XY application tab.
// Every failure is shown in a message box and leaves the files as they were. No window of the
// studio places it yet. GUI thread only.
class TalvexSOFileWidget : public QWidget
{
    Q_OBJECT

public:
    // Neither the document (the starting point of new configurations, whose global settings
    // keep the history) nor the tab widget (which takes the XY application tabs) is owned.
    TalvexSOFileWidget(TalvexDocument* document, QTabWidget* applicationTabs, QWidget* parent = nullptr);

public slots:
    void onBrowseConfiguration();
    void onOpenConfiguration();
    void onNewConfiguration();
    void onEditConfiguration();

private:
    // The file the field names, read into document; false (after saying why) when it cannot be.
    bool loadConfiguration(TalvexSODocument& document);
    bool saveConfiguration(const TalvexSODocument& document, const QString& fileName);

    TalvexDocument* m_pDocument;
    UIHistoryLineEdit* m_pFileName;
    QTabWidget* m_pApplicationTabs;
};
