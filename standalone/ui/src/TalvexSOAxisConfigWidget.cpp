#include "TalvexSOAxisConfigWidget.h"

#include "TalvexDriverDescriptor.h"
#include "TalvexSONullAxisConfigWidget.h"
#include "TalvexSOTalvexPelmoraAxisConfigWidget.h"
#include "UIWidgetFor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

TalvexSOAxisConfigWidget::TalvexSOAxisConfigWidget(const boost::shared_ptr<TalvexSOIAxis>& axis, int driverType,
    QWidget* parent)
    : QWidget(parent)
{
    QVBoxLayout* layout = new QVBoxLayout(this);
    QHBoxLayout* typeRow = new QHBoxLayout;
    QLabel* typeLabel = new QLabel(QStringLiteral("Axis driver type"));
    m_pDriverType = new UIWidgetFor<QComboBox>;
    m_pDriverType->addItem(QStringLiteral("None (off)"), int(NoDriver));
    m_pDriverType->addItem(QStringLiteral("Talvex-p"), int(DriverBound));
    m_pDriverType->setCurrentIndex(qMax(0, m_pDriverType->findData(driverType)));
    typeLabel->setBuddy(m_pDriverType);
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(m_pDriverType);
    typeRow->addStretch(1);
    layout->addLayout(typeRow);

    m_pStack = new QStackedWidget;
    layout->addWidget(m_pStack, 1);
    // Both kind pages load from the same axis; each takes only what its kind has.
    TalvexSONullAxisConfigWidget* none = new TalvexSONullAxisConfigWidget(axis);
    addKindPage(NoDriver, none, none);
    TalvexSOTalvexPelmoraAxisConfigWidget* bound =
        new TalvexSOTalvexPelmoraAxisConfigWidget(axis, TalvexDriverDescriptor::s_model10_1);
    addKindPage(DriverBound, bound, bound);

    m_pDriverType->connectSignal(this, SLOT(onAxisDeviceChanged()), UIIUserInput::ValueChanged);
    onAxisDeviceChanged();
}

void TalvexSOAxisConfigWidget::addKindPage(int driverType, QWidget* page, IConcreteAxisCreator* creator)
{
    QWidget* stackPage = new QWidget;
    QVBoxLayout* layout = new QVBoxLayout(stackPage);
    layout->setContentsMargins(0, 0, 0, 0);
    QGroupBox* group = new QGroupBox(QStringLiteral("Axis settings"));
    QVBoxLayout* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(page);
    layout->addWidget(group);
    layout->addStretch(1);
    const int index = m_pStack->addWidget(stackPage);
    m_axisCreators.insert(index, creator);
    m_pages.insert(driverType, stackPage);
}

void TalvexSOAxisConfigWidget::onAxisDeviceChanged()
{
    if (QWidget* page = m_pages.value(driverType()))
        m_pStack->setCurrentWidget(page);
}

bool TalvexSOAxisConfigWidget::validate(QStringList& messages, int axisNumber)
{
    IConcreteAxisCreator* creator = m_axisCreators.value(m_pStack->currentIndex());
    return creator && creator->validate(messages, axisNumber);
}

int TalvexSOAxisConfigWidget::driverType() const
{
    return m_pDriverType->getValue().toInt();
}

boost::shared_ptr<TalvexSOIAxis> TalvexSOAxisConfigWidget::createAxis()
{
    IConcreteAxisCreator* pAxisCreator = m_axisCreators.value(m_pStack->currentIndex());
    Q_ASSERT_X(pAxisCreator, "src\\TalvexSOAxisConfigWidget", "pAxisCreator");
    return pAxisCreator ? pAxisCreator->createAxis() : boost::shared_ptr<TalvexSOIAxis>();
}
