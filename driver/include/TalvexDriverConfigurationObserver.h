#pragma once

// What an observer of a whole driver configuration hears, beside the changes of single values.
template <class Configuration>
class TalvexDriverConfigurationObserver
{
public:
    virtual ~TalvexDriverConfigurationObserver() = default;
    // After the configuration was read from a stream or assigned.
    virtual void configurationChanged(Configuration* configuration) = 0;
    virtual void configurationDestroyed(Configuration* configuration) = 0;
};
