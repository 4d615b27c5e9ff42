#pragma once

namespace fw {

class QtViewRegistry;

// Registers the views of the standard controls: group box, label, combo box,
// edit, mask edit, button, memo, status bar and progress bar.
void register_standard_views(QtViewRegistry& registry);

}  // namespace fw
