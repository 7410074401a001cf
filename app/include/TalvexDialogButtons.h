#pragma once

class QDialog;
class QVBoxLayout;

// The end of every settings dialog of the studio: a stretch, then a centred row of "Ok" (the
// default button, accepts) and "Cancel" (rejects), both acting when pressed.
class TalvexDialogButtons
{
public:
    static void addTo(QDialog* dialog, QVBoxLayout* layout);
};
