#pragma once

#include <QDialog>

class UIIUserInput;

// Edits one whole-number limit in a spin box. It reads and writes no configuration itself:
// its creator binds or reads the spin box's input.
class TalvexLimitDialog : public QDialog
{
    Q_OBJECT

public:
    TalvexLimitDialog(QWidget* parent, const QString& label, qint32 minimum, qint32 maximum);

    UIIUserInput* limitInput() const;

private:
    UIIUserInput* m_pLimitInput;
};
