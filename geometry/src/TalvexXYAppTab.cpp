#include "TalvexXYAppTab.h"

#include "TalvexXY2DGeometryWidget.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{
QPushButton* toolButton(const QString& icon, const QString& toolTip)
{
    auto* button = new QPushButton;
    button->setIcon(QIcon(icon));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(toolTip);
    return button;
}
}

TalvexXYAppTab::TalvexXYAppTab(const TalvexSODocument& soDocument)
    : m_soDocument(soDocument), m_pTabWidget(new QTabWidget)
{
    Q_INIT_RESOURCE(geometry);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons, 0);

    QPushButton* newButton = toolButton(QStringLiteral(":/rc/pageadd.png"), tr("Add new geometry document."));
    QPushButton* openButton = toolButton(QStringLiteral(":/rc/open.png"), tr("Open Talvex geometry file."));
    QPushButton* saveButton = toolButton(QStringLiteral(":/rc/save.png"), tr("Save current geometry document."));
    QPushButton* saveAllButton = toolButton(QStringLiteral(":/rc/saveall.png"), tr("Save all geometry documents."));
    QPushButton* sendButton = toolButton(QStringLiteral(":/rc/forward.png"), tr("Send current geometry to XY-table."));
    buttons->addWidget(newButton);
    buttons->addWidget(openButton);
    buttons->addWidget(saveButton);
    buttons->addWidget(saveAllButton);
    buttons->addSpacing(20);
    buttons->addWidget(sendButton);
    buttons->addStretch(1);
    connect(newButton, &QPushButton::pressed, this, &TalvexXYAppTab::onNewGeometry);
    connect(openButton, &QPushButton::pressed, this, &TalvexXYAppTab::onOpenGeometry);
    connect(saveButton, &QPushButton::pressed, this, &TalvexXYAppTab::onSaveGeometry);
    connect(saveAllButton, &QPushButton::pressed, this, &TalvexXYAppTab::onSaveAllGeometry);
    connect(sendButton, &QPushButton::pressed, this, &TalvexXYAppTab::onRunGeometry);

    m_pTabWidget->setTabsClosable(true);
    layout->addWidget(m_pTabWidget, 1);
    connect(m_pTabWidget, &QTabWidget::tabCloseRequested, this, &TalvexXYAppTab::onCloseTab);

    m_documentButtons = {sendButton, saveButton, saveAllButton};
    setDocumentButtonsEnabled(false);
}

TalvexXYAppTab::~TalvexXYAppTab() = default;

void TalvexXYAppTab::setDocumentButtonsEnabled(bool enabled)
{
    for (QWidget* button : qAsConst(m_documentButtons))
        button->setEnabled(enabled);
}

TalvexXY2DGeometryWidget* TalvexXYAppTab::addPage(const QString& title)
{
    auto* page = new TalvexXY2DGeometryWidget(&m_soDocument);
    m_pTabWidget->addTab(page, title);
    connect(page, &TalvexXY2DGeometryWidget::modificationChanged, this, &TalvexXYAppTab::onModificationChanged);
    connect(page, &TalvexXY2DGeometryWidget::saveRequest, this, &TalvexXYAppTab::saveGeometry);
    setDocumentButtonsEnabled(true);
    return page;
}

void TalvexXYAppTab::onNewGeometry()
{
    addPage(tr("Untitled"));
}

void TalvexXYAppTab::onOpenGeometry()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open Talvex geometry"), QString(),
                                                          tr("Talvex geometry model (*.tgm);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
    {
        QMessageBox::critical(this, tr("Open Talvex geometry"),
                              tr("The file %1 cannot be opened.").arg(QDir::toNativeSeparators(fileName)),
                              QMessageBox::Ok);
        return;
    }
    file.readAll();
    addPage(QFileInfo(fileName).fileName());
}

void TalvexXYAppTab::onSaveGeometry()
{
    if (auto* page = qobject_cast<TalvexXY2DGeometryWidget*>(m_pTabWidget->currentWidget()))
        saveGeometry(page);
}

bool TalvexXYAppTab::saveGeometry(TalvexXY2DGeometryWidget* page)
{
    if (page->fileName().isEmpty())
    {
        m_pTabWidget->setCurrentWidget(page);
        const QString fileName = QFileDialog::getSaveFileName(this, tr("Save Talvex geometry"), QString(),
                                                              tr("Talvex geometry model (*.tgm);;All files (*.*)"));
        if (fileName.isEmpty())
            return false;
        page->setFileName(fileName);
    }
    page->document().setModified(false);
    m_pTabWidget->setTabText(m_pTabWidget->indexOf(page), QFileInfo(page->fileName()).fileName());
    return true;
}

void TalvexXYAppTab::onSaveAllGeometry()
{
    // Every page in tab order, opened ones too; the first cancelled dialog ends the run.
    for (int index = 0; index < m_pTabWidget->count(); ++index)
        if (auto* page = qobject_cast<TalvexXY2DGeometryWidget*>(m_pTabWidget->widget(index)))
            if (!saveGeometry(page))
                return;
}

void TalvexXYAppTab::onRunGeometry() {}

void TalvexXYAppTab::onCloseTab(int index)
{
    auto* page = qobject_cast<TalvexXY2DGeometryWidget*>(m_pTabWidget->widget(index));
    if (!page)
        return;
    if (page->document().isModified() &&
        QMessageBox::question(this, tr("Close geometry"), tr("The geometry contains unsaved changes.\nClose anyway?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_pTabWidget->removeTab(index);
    page->deleteLater();
    if (m_pTabWidget->count() == 0)
        setDocumentButtonsEnabled(false);
}

void TalvexXYAppTab::onModificationChanged(bool modified)
{
    auto* page = qobject_cast<TalvexXY2DGeometryWidget*>(sender());
    const int index = m_pTabWidget->indexOf(page);
    if (index < 0)
        return;
    QString title = page->fileName().isEmpty() ? tr("Untitled") : QFileInfo(page->fileName()).fileName();
    if (modified)
        title += '*';
    m_pTabWidget->setTabText(index, title);
}
