#include "TalvexSOConfigDialog.h"

#include "TalvexSOAxisConfigWidget.h"
#include "TalvexSOConfigWidget.h"
#include "ValueConversions.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace
{
const int s_axisCount = 3;
const int s_width = 500;

QPushButton* iconButton(const QString& text, const QString& icon)
{
    QPushButton* button = new QPushButton(QIcon(icon), text);
    button->setIconSize(QSize(32, 32));
    return button;
}
}

TalvexSOConfigDialog::TalvexSOConfigDialog(QWidget* parent, const TalvexSODocument& document)
    : QDialog(parent)
{
    // The dialog's own images; the axis pages' buttons register theirs.
    Q_INIT_RESOURCE(standalone_ui);
    setWindowTitle(QStringLiteral("Talvex-SO Configuration"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    QVBoxLayout* layout = new QVBoxLayout(this);
    m_pTabWidget = new QTabWidget;
    layout->addWidget(m_pTabWidget, 1);
    QHBoxLayout* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* save = iconButton(QStringLiteral("Save and close"), QStringLiteral(":/rc/save.png"));
    QPushButton* cancel = iconButton(QStringLiteral("Cancel"), QStringLiteral(":/rc/no.png"));
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    TalvexSOConfigWidget* application = new TalvexSOConfigWidget(this, document.applicationConfiguration());
    m_pDocumentCreator = application;
    m_pTabWidget->addTab(application, QStringLiteral("Configuration"));
    for (int number = 1; number <= s_axisCount; ++number)
    {
        const int driverType = variantToInt(document.axisConfiguration().value(number));
        TalvexSOAxisConfigWidget* page = new TalvexSOAxisConfigWidget(document.axis(number), driverType);
        m_axisCreators.insert(number, page);
        m_pTabWidget->addTab(page, QStringLiteral("Axis %1").arg(number));
    }

    connect(save, &QPushButton::pressed, this, &TalvexSOConfigDialog::onAccept);
    connect(cancel, &QPushButton::pressed, this, &QDialog::reject);
    m_pDocumentCreator->applyApplicationType();
    resize(s_width, sizeHint().height());
}

TalvexSODocument TalvexSOConfigDialog::document() const
{
    return m_pDocumentCreator->createDocument(m_axisCreators);
}

void TalvexSOConfigDialog::setAxisTabEnabled(int axisNumber, bool enabled)
{
    QWidget* page = dynamic_cast<QWidget*>(m_axisCreators.value(axisNumber));
    const int index = m_pTabWidget->indexOf(page);
    if (index >= 0)
        m_pTabWidget->setTabEnabled(index, enabled);
}

void TalvexSOConfigDialog::onAccept()
{
    QStringList messages;
    if (m_pDocumentCreator->validate(messages, m_axisCreators))
    {
        accept();
        return;
    }
    QString text;
    for (const QString& message : messages)
        text += message + QLatin1Char('\n');
    QMessageBox::critical(this, QStringLiteral("Talvex-SO configuration"), text);
}
