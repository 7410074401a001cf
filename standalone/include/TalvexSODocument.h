#pragma once

#include "TalvexSOApplicationConfiguration.h"
#include "TalvexSOAxisConfiguration.h"
#include "TalvexSOIAxis.h"

#include <QMap>
#include <boost/shared_ptr.hpp>

class QDataStream;

// One stand-alone-operation configuration: the application and axis configurations and the
// axes by number (1, 2 and 3). A value type; copies share the axis objects.
class TalvexSODocument
{
public:
    // Axes 1, 2 and 3 start as null axes.
    TalvexSODocument();

    TalvexSOApplicationConfiguration& applicationConfiguration() { return m_applicationConfiguration; }
    const TalvexSOApplicationConfiguration& applicationConfiguration() const { return m_applicationConfiguration; }
    TalvexSOAxisConfiguration& axisConfiguration() { return m_axisConfiguration; }
    const TalvexSOAxisConfiguration& axisConfiguration() const { return m_axisConfiguration; }

    // The axis under that number; empty when there is none (a programming error).
    boost::shared_ptr<TalvexSOIAxis> axis(int axisNumber) const;
    // Puts the axis under the number, releasing what was there.
    void setAxis(int axisNumber, const boost::shared_ptr<TalvexSOIAxis>& axis);

    void write(QDataStream& out) const;
    // Reads a ".tso" stream. Axis numbers that the stream does not name keep their axes.
    // Throws StreamableUnexpectedContentsException or StreamableVersionException and then
    // leaves the document as it was.
    void read(QDataStream& in);

private:
    TalvexSOApplicationConfiguration m_applicationConfiguration;
    TalvexSOAxisConfiguration m_axisConfiguration;
    QMap<int, boost::shared_ptr<TalvexSOIAxis>> m_axes;
};

QDataStream& operator<<(QDataStream& out, const TalvexSODocument& document);
QDataStream& operator>>(QDataStream& in, TalvexSODocument& document);
