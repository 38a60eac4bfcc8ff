#pragma once

namespace vesko {

struct Host;

// The Import button. Returns true when the archiver ended with 0 and the date was
// recorded; the window ignores it, the command line turns it into the exit status.
bool cmdImport_Click(Host& host);

} // namespace vesko
