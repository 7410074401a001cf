#pragma once

#include "GeometryDocument.h"
#include "GeometrySelection.h"

#include <QWidget>

class TalvexSODocument;

// One page of the XY application: owns a geometry document and its selection, shows the edges
// in a tree beside a 2D view with the XY table's working area, and imports DXF drawings. Tells
// the tab of Ctrl+S and of changes of the document's modified state. GUI thread only.
class TalvexXY2DGeometryWidget : public QWidget, public GeometryDocument::IObserver
{
    Q_OBJECT

public:
    // The stand-alone document is read once here, for the table size; it is not kept.
    explicit TalvexXY2DGeometryWidget(TalvexSODocument* soDocument);
    ~TalvexXY2DGeometryWidget() override;

    GeometryDocument& document() { return m_document; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName) { m_fileName = fileName; }

    void edgeAdded(Geometry2DEdgePtr edge) override;
    void documentCleared(GeometryDocument* document) override;
    void documentDestroyed(GeometryDocument* document) override;

signals:
    void saveRequest(TalvexXY2DGeometryWidget* page);
    // Also the document's observer call: the document's modified state goes straight out.
    void modificationChanged(bool modified) override;

public slots:
    // Asks for a DXF file and imports it; a failure, or curves left out, are shown in a box.
    void onAddGeometryPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TalvexSODocument* m_pSoDocument;
    QString m_fileName;
    GeometryDocument m_document;
    GeometrySelection m_selection;
};
