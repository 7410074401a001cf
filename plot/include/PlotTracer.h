#pragma once

#include "UIIUserInput.h"

#include <QObject>
#include <QPointF>
#include <QPointer>

class QCPGraph;
class QCPItemTracer;
class UISignalRelay;

// A cursor's crosshair on one graph, as a user input whose value is its point (key, value).
// Readings and check boxes plug into it like into any input. It is shown only while enabled,
// on the current graph (active) and while the graph holds data. A child of the graph's
// QCustomPlot; the plot's tracer lists create and delete it. GUI thread only.
class PlotTracer : public QObject, public UIIUserInput
{
    Q_OBJECT

public:
    PlotTracer(QCPGraph* graph, const QString& name);
    ~PlotTracer() override;

    // QPointF(key, value) of the crosshair.
    QVariant getValue() const override;
    QString text() const override { return m_name; }
    // value: a pixel position in the plot; the crosshair moves to the graph at its key.
    void setValue(const QVariant& value) override;
    void setEnabled(bool enabled) override;
    bool isEnabled() const override { return m_enabled; }
    void addValidator(boost::shared_ptr<UIIValidator> validator) override;
    void forwardSignalFrom(UIIUserInput* other) override;
    QObject* object() override { return this; }
    QWidget* widget() override;
    // Every kind of notification is the same: the crosshair moved.
    void connectSignal(QObject* receiver, const char* member, int kind) override;
    void bindMethodCall(UIIBinding*) override {}
    void showInfoTip(const QString&) override {}

    QCPGraph* graph() const;
    void setActive(bool active);
    void setInterpolating(bool interpolating);
    bool isSelected() const;
    // Selects the crosshair when it is shown and the plot's item at that pixel.
    bool selectAt(const QPointF& pixel);
    void deselect();
    // Follows the graph's data at the crosshair's key and tells the listeners; an empty graph
    // leaves everything as it is.
    void refresh();

private:
    bool graphHoldsData() const;
    void updateVisibility();

    QPointer<QCPItemTracer> m_pTracer;
    QPointer<QCPGraph> m_pGraph;
    UISignalRelay* m_pRelay;
    QString m_name;
    bool m_enabled = false;
    bool m_active = false;
};
