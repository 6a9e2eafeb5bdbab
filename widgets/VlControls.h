// Every control of the widget kit.
#pragma once

#include "VlArray.h"
#include "VlButton.h"
#include "VlDialog.h"
#include "VlDrop.h"
#include "VlDesign.h"
#include "VlEdit.h"
#include "VlFrame.h"
#include "VlOpt.h"
#include "VlPanel.h"
#include "VlSlider.h"
#include "VlText.h"
