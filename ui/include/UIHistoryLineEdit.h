#pragma once

#include <QComboBox>
#include <QStringList>

// An editable combo box that offers the texts used before, newest first.
class UIHistoryLineEdit : public QComboBox
{
    Q_OBJECT

public:
    // Keeps the named lists of used texts.
    class IHistory
    {
    public:
        virtual ~IHistory() = default;
        virtual QStringList history(const QString& name) const = 0;
        virtual void addHistory(const QString& name, const QString& text) = 0;
    };

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
