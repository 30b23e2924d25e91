// What the user of win32/ScriptedUser.h in front of the real windows (Windows only) has
// beyond the shared interface.
#pragma once

namespace testsupport {

// Ends the user's acting: its timer and window hook go, the script is emptied and its
// host windows are destroyed, so that a person can act in the next dialog of the
// process. The records stay. Any function of win32/ScriptedUser.h starts it again.
void StopRealUser();

}  // namespace testsupport
