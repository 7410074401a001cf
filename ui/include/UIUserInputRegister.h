#pragma once

#include <QMap>
#include <QString>

class UIIUserInput;

// The inputs of the pages by key, so that one tab can read what another edits. Owns nothing.
class UIUserInputRegister
{
public:
    // Replaces an input of the same key.
    void add(const QString& key, UIIUserInput* input);
    // The key must be present.
    UIIUserInput* get(const QString& key) const;
    bool contains(const QString& key) const;
    // For a page that goes away with its inputs.
    void remove(const QString& key);
    void clear();

private:
    QMap<QString, UIIUserInput*> m_inputs;
};
