// The data layer: table access, catalogue and structure upgrade, archive maintenance, backup and
// restore, file and folder operations. This header holds the small file and folder operations
// of the common library, thin over the Linux file functions with the Windows attribute bits
// mapped onto what Linux has: read-only is a file without write permission, hidden is a name
// beginning with ".", directory is a folder, archive is set on every file.
// Names may use "/" or "\" as folder separators.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velt {

// Windows attribute bits.
namespace attr {
constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kInvalid = 0xFFFFFFFF;  // the file does not exist
}  // namespace attr

// For each mask in turn, the names (without folder) of the files matching it, letter case
// ignored, hidden and read-only files included, folders excluded, sorted by name.
std::vector<std::string> WILDEXP(const std::vector<std::string>& aMasks);

// The text after the last "." of the trimmed argument (the whole text is searched), or empty.
std::string CFILEEXT(const std::string& cFile);
// The file-name part (after the last separator), trimmed, without the text from its last ".".
std::string CFILENOEXT(const std::string& cFile);

// Copies the file, replacing an existing target; processes events during the copy.
bool COPYFILE(const std::string& cFrom, const std::string& cTo);
// Renames or moves the file (copying across file systems); fails when the target exists.
bool MOVEFILE(const std::string& cFrom, const std::string& cTo);

bool CREATEDIR(const std::string& cFolder);
// Removes the folder, which must be empty.
bool REMOVEDIR(const std::string& cFolder);
// Free bytes on the file system holding the folder or file; -1 when it cannot be read.
double DISKFREESPACE(const std::string& cDrive);

std::uint32_t GETFILEATTRIBUTES(const std::string& cFile);
// Only the read-only bit has an effect (it sets or clears the write permission); the other
// bits have nothing on Linux to set.
bool SETFILEATTRIBUTES(const std::string& cFile, std::uint32_t nAttributes);
void CLEARREADONLY(const std::string& cFile);
void CLEARHIDDEN(const std::string& cFile);

// Deletes every file of the folder, stopping at the first that cannot be deleted.
void DELDIR(const std::string& cFolder);
// Deletes the whole content and, when lRemoveSelf, the folder; names what it failed to delete.
bool DELETEDIR(const std::string& cFolder, bool lRemoveSelf = true);

// Whether the text can serve as a file name.
bool LFNFNAME(const std::string& cName);
// A new unique name for a user work folder: 0x7F, yyyymmdd, hundredths since midnight.
std::string GETNEWFNAME();

// Path helpers of the data layer.
bool isPathSeparator(char c);
// Everything up to and including the last separator; empty for a bare name.
std::string folderPart(const std::string& path);
// Everything after the last separator.
std::string namePart(const std::string& path);
// Linux form of a path written with "\" separators.
std::string nativePath(const std::string& path);
bool fileExists(const std::string& path);
std::string upperAscii(std::string text);
std::string trimBlanks(const std::string& text);

}  // namespace velt
