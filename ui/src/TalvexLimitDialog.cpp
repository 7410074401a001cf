#include "TalvexLimitDialog.h"

#include "UIWidgetFor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TalvexLimitDialog::TalvexLimitDialog(QWidget* parent, const QString& label, qint32 minimum, qint32 maximum)
    : QDialog(parent)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle("Set limit");

    QVBoxLayout* layout = new QVBoxLayout;
    setLayout(layout);

    QHBoxLayout* limitRow = new QHBoxLayout;
    limitRow->addWidget(new QLabel(label), 0);
    UIWidgetFor<QSpinBox>* spinBox = new UIWidgetFor<QSpinBox>;
    spinBox->setRange(minimum, maximum);
    limitRow->addWidget(spinBox, 1);
    layout->addLayout(limitRow);
    m_pLimitInput = spinBox;

    QHBoxLayout* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    QPushButton* okButton = new QPushButton("Ok");
    connect(okButton, &QPushButton::pressed, this, &QDialog::accept);
    buttonRow->addWidget(okButton);
    layout->addLayout(buttonRow);
}

UIIUserInput* TalvexLimitDialog::limitInput() const
{
    return m_pLimitInput;
}
