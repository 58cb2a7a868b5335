// The control builder: gives every control below a view that an interface file marks for the toolkit (ControlID
// signature 'FACE') its wrapper, chosen by the platform kind and, for user panes and list browsers, by a class
// code looked up in a registry.
#pragma once

#include "CxTypes.h"
#include "PfWindowServer.h"

class FxControl;

// Wraps the control; the wrapper is found again through FxControl::FromRef.
using FxControlFactory = FxControl* (*)(pf::ViewRef inControl);

// Wraps the marked controls below inRoot, parents before children. Controls added meanwhile are not visited;
// a control moved away meanwhile is not skipped. Wrapped controls are left as they are.
void FxBuildControls(pf::ViewRef inRoot);

// A user pane's class code ('FACE'/'CLAS'), or 'lstv' for a list-view data browser. A null factory removes it.
void FxRegisterControlClass(CxUint32 inCode, FxControlFactory inFactory);
// Null when the code is not registered.
FxControlFactory FxControlClassFactory(CxUint32 inCode);
// Fills the registry once; the first window or build calls it.
void FxRegisterAllControls();
