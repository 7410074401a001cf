#pragma once

#include "TalvexSOApplicationConfiguration.h"
#include "TalvexSOConfigDialog.h"

#include <QMap>
#include <QWidget>

class QStackedWidget;

// The dialog's "Configuration" tab: the kind of application and its settings (for the XY
// table its speed and table size), validated together with the axis pages. Edits a copy of
// the configuration it was given; GUI thread only.
class TalvexSOConfigWidget : public QWidget, public TalvexSOConfigDialog::IDocumentCreator
{
    Q_OBJECT

public:
    TalvexSOConfigWidget(TalvexSOConfigDialogITabControl* tabControl,
        const TalvexSOApplicationConfiguration& configuration, QWidget* parent = nullptr);

    void applyApplicationType() override;
    bool validate(QStringList& messages, const QMap<int, TalvexSOConfigDialog::IAxisCreator*>& axisCreators) override;
    TalvexSODocument createDocument(const QMap<int, TalvexSOConfigDialog::IAxisCreator*>& axisCreators) override;

public slots:
    void onApplicationTypeChanged();

private:
    TalvexSOConfigDialogITabControl* m_pTabControl;
    TalvexSOApplicationConfiguration m_configuration;
    QStackedWidget* m_pPages;
    // Application type -> the index of its page.
    QMap<int, int> m_pageIndexes;
};
