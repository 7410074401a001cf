#pragma once

#include <QObject>
#include <QString>

// Where the scripts' sys.stdout and sys.stderr write: print output and tracebacks, from the
// script's thread, reach the consoles in the GUI thread through the queued signal. One per
// process; it lives until the program ends.
class TalvexPythonOutput : public QObject
{
    Q_OBJECT

public:
    static TalvexPythonOutput* instance();

    // Any thread.
    void write(const QString& text, bool error) { emit textWritten(text, error); }

signals:
    void textWritten(const QString& text, bool error);
};
