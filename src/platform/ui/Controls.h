#pragma once

// The control models a form is built from, in one place for convenience.
#include "platform/ui/TButton.h"
#include "platform/ui/TComboBox.h"
#include "platform/ui/TEdit.h"
#include "platform/ui/TGroupBox.h"
#include "platform/ui/TLabel.h"
#include "platform/ui/TMaskEdit.h"
#include "platform/ui/TMemo.h"
#include "platform/ui/TProgressBar.h"
#include "platform/ui/TStatusBar.h"
