// The desktop program's windows and its start-up entry.
#pragma once

namespace dmm {

// The fixed order of window creation, and the release of all windows at the end.
void CreateForms();
void DestroyForms();
// The start-up entry: gives the link owner its way to open a port, creates the windows and
// runs the event loop.
int RunDmmLogger(int argc, char** argv);

}  // namespace dmm
