// The designs of the program's two windows.
#pragma once

#include "ui/form_design.h"

namespace nuvo {

// The full-screen saver window, class TMorlaptFMI.
const TFormDesign& MorlaptFMIDesign();
// The settings dialog, class TMorlaptCNF.
const TFormDesign& MorlaptCNFDesign();

}  // namespace nuvo
