// The dialogs' halves of the test interface's ResetDialogs (test_interface.h): each dialog kind
// forgets its own queued answers and records. Not for code outside platform/.
#pragma once

namespace winlayer {

void ResetMessageBoxes();  // message_box.cpp
void ResetFolderPicker();  // folder_picker.cpp

}  // namespace winlayer
