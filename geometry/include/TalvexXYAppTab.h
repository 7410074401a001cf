#pragma once

#include "TalvexSODocument.h"

#include <QList>
#include <QWidget>

class QTabWidget;
class TalvexXY2DGeometryWidget;

// The XY application: tool buttons over closable geometry pages that draw the XY table of the
// tab's copy of a stand-alone document. Pages are made new or from ".tgm" files; saving
// records a file name (the geometry model is not written). Made by the stand-alone file
// panel; GUI thread only.
class TalvexXYAppTab : public QWidget
{
    Q_OBJECT

public:
    explicit TalvexXYAppTab(const TalvexSODocument& soDocument);
    ~TalvexXYAppTab() override;

public slots:
    void onNewGeometry();
    void onOpenGeometry();
    void onSaveGeometry();
    void onSaveAllGeometry();
    // The send button has no action yet.
    void onRunGeometry();
    void onCloseTab(int index);
    void onModificationChanged(bool modified);
    // True when the page has, or now got, a file name; the page's document is then unmodified.
    bool saveGeometry(TalvexXY2DGeometryWidget* page);

private:
    TalvexXY2DGeometryWidget* addPage(const QString& title);
    void setDocumentButtonsEnabled(bool enabled);

    TalvexSODocument m_soDocument;
    QTabWidget* m_pTabWidget;
    // Send, save and save all: enabled while a page exists.
    QList<QWidget*> m_documentButtons;
};
