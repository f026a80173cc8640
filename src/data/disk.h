// Disk and sharing checks of the table layer: whether a drive or folder is there, whether it has
// room for a new table, and whether another station holds a file open.
#pragma once

#include <string>

namespace velt {

// True when cDrive is empty or names an existing folder; otherwise releases the semaphore,
// shows "Disco non pronto." when lMessage, and answers false.
bool ISREADY(const std::string& cDrive, bool lMessage = true);

// False when cDrive is empty; true when it is not ready (ISREADY with its message); false when
// it has at least nBytes free; otherwise releases the semaphore, shows "Spazio sul disco
// insufficiente." and answers true.
bool ISFULL(const std::string& cDrive, double nBytes = 8192);

// True when the file (".DBF" added when it has no extension) exists and somebody holds it
// open, so it cannot be opened with exclusive sharing.
bool NETUSED(const std::string& cFile);

// The same for exactly that file.
bool fileHeldOpen(const std::string& path);

// The current folder of the process, as an absolute path.
std::string currentFolder();

}  // namespace velt
