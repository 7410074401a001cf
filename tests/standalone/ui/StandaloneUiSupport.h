#pragma once

#include "TalvexSOAxisConfigWidget.h"
#include "TalvexSODocument.h"
#include "TalvexSOTalvexPelmoraAxis.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

// The field a label names (its buddy); null when there is none.
template <class Field>
Field* fieldLabelled(QWidget* parent, const QString& text)
{
    for (QLabel* label : parent->findChildren<QLabel*>())
        if (label->text() == text)
            return qobject_cast<Field*>(label->buddy());
    return nullptr;
}

inline QTabWidget* tabsOf(QWidget* dialog)
{
    return dialog->findChild<QTabWidget*>();
}

inline TalvexSOAxisConfigWidget* axisPage(QWidget* dialog, int axisNumber)
{
    return qobject_cast<TalvexSOAxisConfigWidget*>(tabsOf(dialog)->widget(axisNumber));
}

inline QComboBox* driverTypeBox(QWidget* page)
{
    return fieldLabelled<QComboBox>(page, QStringLiteral("Axis driver type"));
}

inline QLineEdit* serialNumberField(QWidget* page)
{
    return fieldLabelled<QLineEdit>(page, QStringLiteral("Serial number"));
}

// A driver-bound axis with the default motor configuration and the micro-stepping n.
inline boost::shared_ptr<TalvexSOIAxis> boundAxis(const QString& serial, int microStepping = 0)
{
    TalvexDriverMotionConfiguration motion;
    motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, microStepping);
    return boost::shared_ptr<TalvexSOIAxis>(
        new TalvexSOTalvexPelmoraAxis(USBSerialNumber(serial), TalvexDriverMotorConfiguration(), motion));
}

// An XY table whose axes 1 and 2 are driver-bound with these serial numbers (empty: off).
inline TalvexSODocument xyTable(const QString& first, const QString& second, int microStepping = 0,
    double speed = 50.0)
{
    TalvexSODocument document;
    document.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::Speed, speed);
    int number = 1;
    for (const QString& serial : {first, second})
    {
        if (!serial.isEmpty())
        {
            document.setAxis(number, boundAxis(serial, microStepping));
            document.axisConfiguration().setValue(number, 1);
        }
        ++number;
    }
    return document;
}

inline QByteArray bytesOf(const TalvexSODocument& document)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << document;
    return bytes;
}
