// Where the print path keeps its one image file: "tempOV.JPG" in the
// parent folder of the all-users Documents folder. Saving and printing
// form the path the same way.
#pragma once

#include <optional>
#include <string>

namespace orvi {

// From the all-users Documents folder to the file path: the folder is cut
// after its last backslash and "\tempOV.JPG" appended (the doubled
// backslash is harmless on Windows). No value when the path would not fit
// MAX_PATH units with its terminator.
std::optional<std::wstring> TempImagePathFromDocuments(const std::wstring& documentsFolder);

// Asks the shell for the folder and forms the path; on failure logs why
// and gives no value.
std::optional<std::wstring> TempImageFilePath();

}  // namespace orvi
