#include "CxLocalize.h"

// No string table is read yet: every key stands for itself.
CxString CxLocalize(const CxString& inKey) { return inKey; }
