#pragma once

#include "TalvexSOConfigDialog.h"

#include <QMap>
#include <QWidget>

class QComboBox;
class QStackedWidget;
template <class W>
class UIWidgetFor;

// One "Axis n" tab of the configuration dialog: the axis driver type and, below it, the page
// of that kind, loaded from the axis given. Every kind keeps its page, so switching the kind
// back and forth keeps what was typed. GUI thread only.
class TalvexSOAxisConfigWidget : public QWidget, public TalvexSOConfigDialog::IAxisCreator
{
    Q_OBJECT

public:
    // What a kind page does for the axis page.
    class IConcreteAxisCreator
    {
    public:
        virtual ~IConcreteAxisCreator() = default;
        virtual bool validate(QStringList& messages, int axisNumber) = 0;
        virtual boost::shared_ptr<TalvexSOIAxis> createAxis() = 0;
    };

    enum DriverType
    {
        NoDriver = 0,
        DriverBound = 1
    };

    TalvexSOAxisConfigWidget(const boost::shared_ptr<TalvexSOIAxis>& axis, int driverType, QWidget* parent = nullptr);

    bool validate(QStringList& messages, int axisNumber) override;
    int driverType() const override;
    boost::shared_ptr<TalvexSOIAxis> createAxis() override;

public slots:
    void onAxisDeviceChanged();

private:
    // Puts the kind page into a group "Axis settings" on a page of the stack.
    void addKindPage(int driverType, QWidget* page, IConcreteAxisCreator* creator);

    UIWidgetFor<QComboBox>* m_pDriverType;
    QStackedWidget* m_pStack;
    // Stack index -> kind page.
    QMap<int, IConcreteAxisCreator*> m_axisCreators;
    // Driver type -> stack page.
    QMap<int, QWidget*> m_pages;
};
