#pragma once

#include "TalvexDriverAdvancedMotorMoveConfiguration.h"

#include <QDialog>

class TalvexDocument;

// Edits a copy of the document's advanced move configuration: backlash compensation and the
// home search. The Motion tab runs it modally and, when it is accepted, takes the copy; the
// dialog itself never touches the document. GUI thread only.
class TalvexAdvancedMoveSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    TalvexAdvancedMoveSettingsDialog(QWidget* parent, TalvexDocument* document);

    TalvexDriverAdvancedMotorMoveConfiguration configuration() const;

private:
    TalvexDocument* m_pDocument;
    TalvexDriverAdvancedMotorMoveConfiguration m_configuration;
};
