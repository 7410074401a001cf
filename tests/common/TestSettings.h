#pragma once

#include "Properties.h"

#include <QStringList>

struct TestSettingsTraits
{
};

// A property set that keeps property 0 within [0, 100], as a configuration's own checks would,
// and logs when its check runs.
class TestSettings : public Properties<TestSettingsTraits>
{
public:
    static constexpr int s_clampedId = 0;

    QString description() const override
    {
        if (m_pLog)
            *m_pLog << "check";
        return QString();
    }

    void valueChanged(int id) override
    {
        if (id != s_clampedId)
            return;
        const double number = value(id).toDouble();
        if (number > 100.0)
            setValue(id, 100.0);
        else if (number < 0.0)
            setValue(id, 0.0);
    }

    QStringList* m_pLog = nullptr;
};

// Counts the change notifications of a set while it is registered.
class TestChangeCounter : public TestSettings::IChangeObserver
{
public:
    explicit TestChangeCounter(TestSettings* settings) : m_pSettings(settings) { settings->addObserver(this); }
    ~TestChangeCounter() override { m_pSettings->removeObserver(this); }

    void propertyChanged(int, const QVariant&) override { ++m_changes; }
    void validationMessage(int, const QString&) override {}
    void sourceDestroyed(Properties<TestSettingsTraits>*) override {}

    int m_changes = 0;

private:
    TestSettings* m_pSettings;
};
