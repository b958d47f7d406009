// ResetDialogs of the test interface: forgets the queued answers and records of every dialog kind.
#include "platform/posix/dialogs.h"
#include "platform/posix/test_interface.h"

// Stands in until the folder picker is linked in; the folder picker's file defines the real one.
__attribute__((weak)) void winlayer::ResetFolderPicker() {}

void winlayer::test::ResetDialogs() {
    ResetMessageBoxes();
    ResetFolderPicker();
}
