#include "PackageFirmwareUpdaterDialog.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace
{
const int s_progressSpacing = 50;
const int s_boldWeight = 75;
const double s_warningScale = 1.5;
}

PackageFirmwareUpdaterDialog::PackageFirmwareUpdaterDialog(QWidget* parent, bool withProgress)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Firmware update"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint & ~Qt::WindowCloseButtonHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* warning = new QLabel(QStringLiteral("Do not unplug the device!"), this);
    QFont font = warning->font();
    font.setWeight(s_boldWeight);
    font.setPointSize(int(font.pointSize() * s_warningScale));
    warning->setFont(font);
    warning->setAlignment(Qt::AlignCenter);
    layout->addWidget(warning);

    m_pMessageLabel = new QLabel(this);
    m_pMessageLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_pMessageLabel);

    if (withProgress)
    {
        layout->addSpacing(s_progressSpacing);
        m_pProgressBar = new QProgressBar(this);
        m_pProgressBar->setRange(0, 100);
        layout->addWidget(m_pProgressBar);
        m_pProgressLabel = new QLabel(this);
        m_pProgressLabel->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_pProgressLabel);
    }
    layout->addStretch();
}

void PackageFirmwareUpdaterDialog::setMessage(const QString& text)
{
    m_pMessageLabel->setText(text);
    QWidget* shown = parentWidget() ? parentWidget() : this;
    const QScreen* screen = shown->screen() ? shown->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The size the new text needs, before it is centred (the first message comes before show()).
    adjustSize();
    QRect frame = frameGeometry();
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
}

void PackageFirmwareUpdaterDialog::updateProgress(const QString& text, int percent)
{
    if (m_pProgressLabel)
        m_pProgressLabel->setText(text);
    if (m_pProgressBar)
    {
        if (m_imageFinished)
            m_pProgressBar->setValue(0);
        m_pProgressBar->setValue(percent);
    }
    m_imageFinished = false;
}

void PackageFirmwareUpdaterDialog::finishProgress()
{
    if (m_pProgressLabel)
        m_pProgressLabel->clear();
    if (m_pProgressBar)
        m_pProgressBar->setValue(100);
    m_imageFinished = true;
}

void PackageFirmwareUpdaterDialog::reject()
{
}
