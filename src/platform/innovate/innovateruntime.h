#pragma once
// What the two halves of the stand-in share: the script in force and the
// call log. Internal to the library.
#include "innovatescript.h"
#include "innovatestandin.h"

namespace MTSSDKLib {
class MTS;
}

namespace InnovateStandIn {

// The script in force (see innovatestandin.h); *fromFile tells whether it
// came from "innovate/innovate.json". A broken file counts as no script.
Script currentScript(bool *fromFile = nullptr);
void logCall(const QString &call, const QString &arguments = QString());

// The controls alive, for the fire functions.
void registerControl(MTSSDKLib::MTS *control);
void unregisterControl(MTSSDKLib::MTS *control);

// The LM-2 half's part of reset() and of the test hooks.
void lm2Reset();

} // namespace InnovateStandIn
