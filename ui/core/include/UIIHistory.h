#pragma once

#include <QString>
#include <QStringList>

// Keeps the named lists of used texts that a UIHistoryLineEdit offers. Settings records
// implement it, so it needs nothing but QtCore. Called on the GUI thread.
class UIIHistory
{
public:
    virtual ~UIIHistory() = default;
    virtual QStringList history(const QString& name) const = 0;
    virtual void addHistory(const QString& name, const QString& text) = 0;
};
