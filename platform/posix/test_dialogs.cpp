// ResetDialogs of the test interface: forgets the queued answers and records of every dialog kind.
#include "platform/posix/dialogs.h"
#include "platform/posix/test_interface.h"

void winlayer::test::ResetDialogs() {
    ResetMessageBoxes();
    ResetFolderPicker();
}
