#include "UIDialogEnvoker.h"

#include <QDialog>

UIDialogEnvoker::UIDialogEnvoker(QWidget* parent, QDialog* dialog)
    : QPushButton(parent)
    , m_pDialog(dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog->setModal(true);
    connect(this, &QPushButton::pressed, this, &UIDialogEnvoker::onPressed);
}

void UIDialogEnvoker::onPressed()
{
    if (m_pDialog)
        m_pDialog->exec();
}
