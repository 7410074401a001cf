#pragma once

#include <QPointer>
#include <QPushButton>

class QDialog;

// A push button that opens a modal dialog, the same one on every press.
class UIDialogEnvoker : public QPushButton
{
    Q_OBJECT

public:
    // The dialog is not owned and not deleted when it closes.
    UIDialogEnvoker(QWidget* parent, QDialog* dialog);

private slots:
    void onPressed();

private:
    QPointer<QDialog> m_pDialog;
};
