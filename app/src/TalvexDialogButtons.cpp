#include "TalvexDialogButtons.h"

#include <QDialog>
#include <QPushButton>
#include <QVBoxLayout>

void TalvexDialogButtons::addTo(QDialog* dialog, QVBoxLayout* layout)
{
    layout->addStretch(1);
    QHBoxLayout* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* ok = new QPushButton(QStringLiteral("Ok"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QObject::connect(ok, &QPushButton::pressed, dialog, &QDialog::accept);
    buttons->addWidget(ok);
    QPushButton* cancel = new QPushButton(QStringLiteral("Cancel"));
    QObject::connect(cancel, &QPushButton::pressed, dialog, &QDialog::reject);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}
