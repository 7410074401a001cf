#include "UIHistoryLineEdit.h"

UIHistoryLineEdit::UIHistoryLineEdit(IHistory* history, const QString& name, QWidget* parent)
    : QComboBox(parent)
    , m_pHistory(history)
    , m_name(name)
{
    setEditable(true);
    showHistory();
}

void UIHistoryLineEdit::addToHistory(const QString& text)
{
    m_pHistory->addHistory(m_name, text);
    showHistory();
}

QString UIHistoryLineEdit::text() const
{
    return currentText();
}

void UIHistoryLineEdit::showHistory()
{
    const QStringList list = m_pHistory->history(m_name);
    clear();
    insertItems(count(), list);
    if (!list.isEmpty())
        setCurrentText(list.first());
}
