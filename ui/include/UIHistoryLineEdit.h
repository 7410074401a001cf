#pragma once

#include "UIIHistory.h"

#include <QComboBox>
#include <QStringList>

// An editable combo box that offers the texts used before, newest first.
class UIHistoryLineEdit : public QComboBox
{
    Q_OBJECT

public:
    using IHistory = UIIHistory;

    // The history is not owned and must outlive the box; the box lists it at once.
    UIHistoryLineEdit(IHistory* history, const QString& name, QWidget* parent = nullptr);

    // Adds the text to the history and lists the history again, the text shown first.
    void addToHistory(const QString& text);
    QString text() const;

private:
    void showHistory();

    IHistory* m_pHistory;
    QString m_name;
};
