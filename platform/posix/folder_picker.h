// The folder picker's state for the layer's own test reset. Not for code outside platform/.
#pragma once

namespace winlayer {

// Forgets queued folder answers and recorded picker titles.
void ResetFolderPicker();

}  // namespace winlayer
