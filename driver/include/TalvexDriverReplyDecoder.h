#pragma once

#include "TalvexDriverDescriptor.h"
#include "USBResult.h"
#include "USBVersion.h"

#include <QVector>

class TalvexDocument;

// Turns the reply data of the board's read actions into the document's records. What the board
// sends is input: a reply whose fields the studio cannot interpret changes nothing and is a
// failure with a text that says why. Called by the request dispatcher on the GUI thread.
class TalvexDriverReplyDecoder
{
public:
    // Stores the decoded reply of the action with this opcode. Data of another length than
    // the action's reply and opcodes of actions without a stored reply are left alone.
    static USBResult store(TalvexDocument& document, const TalvexDriverDescriptor& descriptor,
        const USBVersion& firmwareVersion, quint8 opcode, const QVector<quint8>& data);
};
