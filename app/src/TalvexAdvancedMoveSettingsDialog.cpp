#include "TalvexAdvancedMoveSettingsDialog.h"

#include "TalvexDialogButtons.h"
#include "TalvexDocument.h"
#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace
{
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;

// One row of a group: the label (enabled with the editor) and the editor with its tool tip.
template <class W>
UIWidgetFor<W>* addRow(QGridLayout* grid, const QString& label, UIWidgetFor<W>* editor, const QString& toolTip,
    Advanced* configuration, int id)
{
    // Two widgets a row.
    const int row = grid->count() / 2;
    QLabel* text = new QLabel(label);
    editor->setCompanionWidget(text);
    editor->setToolTip(toolTip);
    editor->bindMethodCall(new UIPropertyBinding<TalvexDriverAdvancedMotorMoveConfigurationTraits>(configuration, id));
    grid->addWidget(text, row, 0);
    grid->addWidget(editor, row, 1);
    return editor;
}

UIWidgetFor<QSpinBox>* spinBox(int minimum, int maximum)
{
    UIWidgetFor<QSpinBox>* box = new UIWidgetFor<QSpinBox>;
    box->setRange(minimum, maximum);
    return box;
}

UIWidgetFor<QComboBox>* comboBox(const QString& first, int firstValue, const QString& second, int secondValue)
{
    UIWidgetFor<QComboBox>* box = new UIWidgetFor<QComboBox>;
    box->addItem(first, firstValue);
    box->addItem(second, secondValue);
    return box;
}

QGridLayout* addGroup(QVBoxLayout* layout, const QString& title)
{
    QGroupBox* group = new QGroupBox(title);
    QGridLayout* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    layout->addWidget(group, 0);
    return grid;
}
}

TalvexAdvancedMoveSettingsDialog::TalvexAdvancedMoveSettingsDialog(QWidget* parent, TalvexDocument* document)
    : QDialog(parent)
    , m_pDocument(document)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(QStringLiteral("Advanced move settings"));
    resize(500, height());
    m_configuration = *m_pDocument->advancedMotorMoveConfiguration();

    QVBoxLayout* layout = new QVBoxLayout(this);

    QGridLayout* backlash = addGroup(layout, QStringLiteral("Backlash"));
    UIWidgetFor<QCheckBox>* compensation = addRow(backlash, QStringLiteral("Enable compensation"),
        new UIWidgetFor<QCheckBox>, QStringLiteral("Enable backlash compensation."), &m_configuration,
        Advanced::BacklashCompensation);
    UIWidgetFor<QSpinBox>* steps = addRow(backlash, QStringLiteral("Backlash step count"), spinBox(1, 50000),
        QStringLiteral("The size of the backlash given by the number of full steps."), &m_configuration,
        Advanced::BacklashSteps);
    UIWidgetFor<QComboBox>* direction = addRow(backlash, QStringLiteral("Zero-backlash direction"),
        comboBox(QStringLiteral("Positive"), 0, QStringLiteral("Negative"), 1),
        QStringLiteral("The direction for which there will be no backlash."), &m_configuration,
        Advanced::BacklashDirection);
    compensation->disableOnValue(steps, false);
    compensation->enableOnValue(steps, true);
    compensation->disableOnValue(direction, false);
    compensation->enableOnValue(direction, true);

    QGridLayout* home = addGroup(layout, QStringLiteral("Home"));
    addRow(home, QStringLiteral("Position"), comboBox(QStringLiteral("At start limit"), 1, QStringLiteral("At end limit"), 2),
        QStringLiteral("The home position can either be at the start or end limit switch./n"
                       "Limit switches must be connected for this feature to work."),
        &m_configuration, Advanced::HomePosition);
    addRow(home, QStringLiteral("Use accurate home search"), new UIWidgetFor<QCheckBox>,
        QStringLiteral("The motor driver will search for the limit switch at reduced motor speed."), &m_configuration,
        Advanced::AccurateHomeSearch);
    addRow(home, QStringLiteral("Zero position at home"), new UIWidgetFor<QCheckBox>,
        QStringLiteral("The home position is used as the absolute zero position."), &m_configuration,
        Advanced::ZeroAtHome);
    addRow(home, QStringLiteral("Fast velocity [Full-steps/s]"), spinBox(10, 20000),
        QStringLiteral("Fast velocity used to reach the home position."), &m_configuration, Advanced::HomeFastVelocity);
    addRow(home, QStringLiteral("Slow velocity [Full-steps/s]"), spinBox(10, 20000),
        QStringLiteral("Slow velocity used to accurately search for the home position."), &m_configuration,
        Advanced::HomeSlowVelocity);

    // The captions of both groups share one width, so the editors line up.
    const QList<QLabel*> captions = findChildren<QLabel*>();
    int widest = 0;
    for (QLabel* caption : captions)
        widest = qMax(widest, caption->sizeHint().width());
    for (QLabel* caption : captions)
        caption->setMinimumWidth(widest);

    TalvexDialogButtons::addTo(this, layout);
}

TalvexDriverAdvancedMotorMoveConfiguration TalvexAdvancedMoveSettingsDialog::configuration() const
{
    return m_configuration;
}
