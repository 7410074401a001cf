#include "TalvexXY2DGeometryWidget.h"

#include "DxfImporter.h"
#include "Geometry2DView.h"
#include "GeometryTree.h"
#include "TalvexSODocument.h"
#include "ValueConversions.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

TalvexXY2DGeometryWidget::TalvexXY2DGeometryWidget(TalvexSODocument* soDocument) : m_pSoDocument(soDocument)
{
    Q_INIT_RESOURCE(geometry);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons, 0);
    buttons->addStretch(1);
    auto* addButton = new QPushButton;
    addButton->setIcon(QIcon(QStringLiteral(":/rc/add_brick.png")));
    addButton->setIconSize(QSize(32, 32));
    addButton->setToolTip(tr("Import geometry."));
    buttons->addWidget(addButton);

    auto* splitter = new QSplitter(Qt::Horizontal);
    layout->addWidget(splitter, 1);
    splitter->addWidget(new GeometryTree(&m_document, &m_selection));
    auto* view = new Geometry2DView(&m_document, &m_selection);
    splitter->addWidget(view);
    splitter->setStretchFactor(1, 1);

    const TalvexSOApplicationConfiguration& configuration = m_pSoDocument->applicationConfiguration();
    view->setAreaRect(QRectF(0, 0, variantToDouble(configuration.value(TalvexSOApplicationConfiguration::TableSizeX)),
                             variantToDouble(configuration.value(TalvexSOApplicationConfiguration::TableSizeY))));

    connect(addButton, &QPushButton::pressed, this, &TalvexXY2DGeometryWidget::onAddGeometryPressed);
    m_document.addObserver(this);
}

TalvexXY2DGeometryWidget::~TalvexXY2DGeometryWidget()
{
    m_document.removeObserver(this);
}

void TalvexXY2DGeometryWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Save))
    {
        emit saveRequest(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TalvexXY2DGeometryWidget::edgeAdded(Geometry2DEdgePtr) {}

void TalvexXY2DGeometryWidget::documentCleared(GeometryDocument*) {}

void TalvexXY2DGeometryWidget::documentDestroyed(GeometryDocument*) {}

void TalvexXY2DGeometryWidget::onAddGeometryPressed()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Import geometry"), QString(),
                                                          tr("AutoCAD DXF (*.dxf);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    QStringList messages;
    if (!DxfImporter(&m_document).importDxfFile(fileName, messages))
        QMessageBox::critical(this, tr("Import geometry file"), messages.join('\n'), QMessageBox::Ok);
    else if (!messages.isEmpty())
        QMessageBox::warning(this, tr("Import geometry file"), messages.join('\n'), QMessageBox::Ok);
}
