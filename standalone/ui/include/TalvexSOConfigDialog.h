#pragma once

#include "TalvexSOConfigDialogITabControl.h"
#include "TalvexSODocument.h"

#include <QDialog>
#include <QMap>
#include <QStringList>
#include <boost/shared_ptr.hpp>

class QTabWidget;

// Edits one stand-alone configuration in the tabs "Configuration", "Axis 1" to "Axis 3".
// "Save and close" validates every page and accepts only when they pass; the caller then takes
// the new configuration from document(). The document given is only read. Modal, run with
// exec() by the file panel, which releases it with deleteLater(). GUI thread only.
class TalvexSOConfigDialog : public QDialog, public TalvexSOConfigDialogITabControl
{
    Q_OBJECT

public:
    // One axis tab's page.
    class IAxisCreator
    {
    public:
        virtual ~IAxisCreator() = default;
        // Appends "Axis <n>: ..." messages for what is wrong; false when anything is.
        virtual bool validate(QStringList& messages, int axisNumber) = 0;
        // 0 none, 1 driver-bound.
        virtual int driverType() const = 0;
        // A new axis from the page's input.
        virtual boost::shared_ptr<TalvexSOIAxis> createAxis() = 0;
    };

    // The application page.
    class IDocumentCreator
    {
    public:
        virtual ~IDocumentCreator() = default;
        // Shows the page of the chosen application and enables the axis tabs it uses.
        virtual void applyApplicationType() = 0;
        virtual bool validate(QStringList& messages, const QMap<int, IAxisCreator*>& axisCreators) = 0;
        virtual TalvexSODocument createDocument(const QMap<int, IAxisCreator*>& axisCreators) = 0;
    };

    TalvexSOConfigDialog(QWidget* parent, const TalvexSODocument& document);

    // The configuration of the pages; meaningful once the dialog was accepted.
    TalvexSODocument document() const;

    void setAxisTabEnabled(int axisNumber, bool enabled) override;

public slots:
    void onAccept();

private:
    IDocumentCreator* m_pDocumentCreator;
    QMap<int, IAxisCreator*> m_axisCreators;
    QTabWidget* m_pTabWidget;
};
