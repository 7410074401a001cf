#include "TalvexSOConfigWidget.h"

#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"
#include "ValueConversions.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{
typedef TalvexSOApplicationConfiguration C;
typedef UIPropertyBinding<TalvexSOApplicationConfigurationTraits> Binding;

const int s_xyTable = 0;
// Steps per second the boards can make.
const double s_maximumStepRate = 10000.0;

UIWidgetFor<QDoubleSpinBox>* boundSpinBox(C* configuration, int id, double minimum, double maximum)
{
    UIWidgetFor<QDoubleSpinBox>* box = new UIWidgetFor<QDoubleSpinBox>;
    box->setRange(minimum, maximum);
    box->bindMethodCall(new Binding(configuration, id));
    return box;
}
}

TalvexSOConfigWidget::TalvexSOConfigWidget(TalvexSOConfigDialogITabControl* tabControl,
    const TalvexSOApplicationConfiguration& configuration, QWidget* parent)
    : QWidget(parent)
    , m_pTabControl(tabControl)
    , m_configuration(configuration)
{
    QVBoxLayout* layout = new QVBoxLayout(this);

    QGroupBox* application = new QGroupBox(QStringLiteral("Application"));
    QFormLayout* applicationForm = new QFormLayout(application);
    // The pages of the axes make the dialog wide; short values keep their own width.
    applicationForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    UIWidgetFor<QComboBox>* type = new UIWidgetFor<QComboBox>;
    type->addItem(QStringLiteral("XY table"), s_xyTable);
    type->bindMethodCall(new Binding(&m_configuration, C::ApplicationType));
    type->connectSignal(this, SLOT(onApplicationTypeChanged()), UIIUserInput::ValueChanged);
    applicationForm->addRow(QStringLiteral("Type"), type);
    layout->addWidget(application);

    m_pPages = new QStackedWidget;
    QGroupBox* xyTable = new QGroupBox(QStringLiteral("XY table settings"));
    QFormLayout* xyForm = new QFormLayout(xyTable);
    xyForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    const QList<QDoubleSpinBox*> boxes{boundSpinBox(&m_configuration, C::Speed, 1.0, 500.0),
        boundSpinBox(&m_configuration, C::TableSizeX, 1.0, 5000.0),
        boundSpinBox(&m_configuration, C::TableSizeY, 1.0, 5000.0)};
    xyForm->addRow(QStringLiteral("Speed [mm/s]"), boxes.at(0));
    xyForm->addRow(QStringLiteral("Table size x-direction [mm]"), boxes.at(1));
    xyForm->addRow(QStringLiteral("Table size y-direction [mm]"), boxes.at(2));
    // One column of equal boxes.
    for (QDoubleSpinBox* box : boxes)
        box->setMinimumWidth(boxes.last()->sizeHint().width());
    m_pageIndexes.insert(s_xyTable, m_pPages->addWidget(xyTable));
    layout->addWidget(m_pPages);
    layout->addStretch(1);
}

void TalvexSOConfigWidget::applyApplicationType()
{
    onApplicationTypeChanged();
}

void TalvexSOConfigWidget::onApplicationTypeChanged()
{
    const int type = variantToInt(m_configuration.value(C::ApplicationType));
    // The XY table moves two axes.
    if (type == s_xyTable)
        m_pTabControl->setAxisTabEnabled(3, false);
    if (m_pageIndexes.contains(type))
        m_pPages->setCurrentIndex(m_pageIndexes.value(type));
}

bool TalvexSOConfigWidget::validate(QStringList& messages,
    const QMap<int, TalvexSOConfigDialog::IAxisCreator*>& axisCreators)
{
    const double speed = variantToDouble(m_configuration.value(C::Speed));
    const int type = variantToInt(m_configuration.value(C::ApplicationType));

    if (type == s_xyTable)
    {
        const bool firstMissing = axisCreators.value(1)->driverType() == 0;
        if (firstMissing)
            messages << QStringLiteral("A valid device must be specified for axis 1.");
        if (axisCreators.value(2)->driverType() == 0)
        {
            messages << QStringLiteral("A valid device must be specified for axis 2.");
            return false;
        }
        if (firstMissing)
            return false;
    }

    bool valid = true;
    for (int number = 1; number <= 3; ++number)
        valid = axisCreators.value(number)->validate(messages, number) && valid;
    if (!valid)
        return false;

    if (type == s_xyTable)
    {
        const double second = axisCreators.value(2)->createAxis()->linearStepSize();
        const double first = axisCreators.value(1)->createAxis()->linearStepSize();
        const double rate = speed / (second < first ? second : first);
        if (rate > s_maximumStepRate)
        {
            messages << QStringLiteral("The maximum steps per second (%1 steps/s) is larger than 10,000 steps/s. "
                                       "Decrease the speed or increase the linear step size.")
                            .arg(QString::number(rate, 'g'));
            return false;
        }
    }
    return true;
}

TalvexSODocument TalvexSOConfigWidget::createDocument(
    const QMap<int, TalvexSOConfigDialog::IAxisCreator*>& axisCreators)
{
    TalvexSODocument document;
    document.applicationConfiguration() = m_configuration;
    for (int number = 1; number <= 3; ++number)
    {
        TalvexSOConfigDialog::IAxisCreator* creator = axisCreators.value(number);
        document.setAxis(number, creator->createAxis());
        document.axisConfiguration().setValue(number, creator->driverType());
    }
    return document;
}
