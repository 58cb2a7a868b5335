// Localised texts of the bundle's string table.
#pragma once

#include "CxString.h"

// The localised text for the key, or the key itself when the table has none. Safe from any thread.
CxString CxLocalize(const CxString& inKey);
