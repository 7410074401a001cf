#include "PackageReleaseNotesDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

PackageReleaseNotesDialog::PackageReleaseNotesDialog(QWidget* parent, const QString& releaseNotes)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Release Notes"));
    setModal(true);
    resize(600, 400);

    QVBoxLayout* layout = new QVBoxLayout(this);
    QTextBrowser* notes = new QTextBrowser;
    notes->setReadOnly(true);
    notes->setAcceptRichText(true);
    notes->setText(releaseNotes);
    layout->addWidget(notes, 1);

    QHBoxLayout* buttons = new QHBoxLayout;
    QPushButton* close = new QPushButton(QStringLiteral("Close"));
    close->setDefault(true);
    close->setAutoDefault(true);
    connect(close, &QPushButton::pressed, this, &QDialog::accept);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
}
