#include "files/FileNaming.h"

#include <limits>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "files/DataFile.h"
#include "platform/Profile.h"

namespace pelmor {

std::string CandidateName(const std::string& baseName, int serialNumber, int dataBits) {
    return baseName + Format(" %03lld", static_cast<long long>(serialNumber) + 1) +
           DataFileExtension(DataFormatForBits(dataBits));
}

std::string FindFreeName(const std::string& baseName, int& serialNumber, int dataBits,
                         const FileExistsFunction& exists) {
    std::string candidate = CandidateName(baseName, serialNumber, dataBits);
    // The last number is never passed, so serial + 1 cannot overflow.
    while (serialNumber < std::numeric_limits<int>::max() - 2 && exists(candidate)) {
        ++serialNumber;
        candidate = CandidateName(baseName, serialNumber, dataBits);
    }
    return candidate;
}

std::string FindFreeName(const std::string& baseName, int& serialNumber, int dataBits) {
    return FindFreeName(baseName, serialNumber, dataBits,
                        [](const std::string& path) { return FileExists(path); });
}

std::string BaseNameFromDialog(const std::string& folder, const std::string& title) {
    return folder.empty() ? title : folder + kPathSeparator + title;
}

std::string SetFileName(FileNaming& naming, const std::string& folder, const std::string& title,
                        int dataBits, const FileExistsFunction& exists) {
    naming.baseName = BaseNameFromDialog(folder, title);
    naming.serialNumber = 0;
    naming.baseNameChosen = true;
    return FindFreeName(naming.baseName, naming.serialNumber, dataBits, exists);
}

std::string SetFileName(FileNaming& naming, const std::string& folder, const std::string& title,
                        int dataBits) {
    return SetFileName(naming, folder, title, dataBits,
                       [](const std::string& path) { return FileExists(path); });
}

void AdvanceAfterRecording(FileNaming& naming, const std::string& path, bool written) {
    // The number stops short of the largest int rather than wrapping to a negative one.
    const auto step = [&naming] {
        if (naming.serialNumber < std::numeric_limits<int>::max() - 2) ++naming.serialNumber;
    };
    if (written) {
        naming.currentDataFileName = path;
        if (naming.extraSerialStep != 0) step();
    }
    step();
}

int NextSelectedSignal(int selectedSignal, int signalCount) {
    const int next = selectedSignal + 1;
    return next >= signalCount || next < 0 ? 0 : next;
}

SaveOptions LoadSaveOptions(Profile& profile, int dataBits, const std::string& homeFolder) {
    SaveOptions options;
    options.dataBits = dataBits;
    options.folder = profile.GetString(kSaveOptionsSection, kWorkingFolderKey,
                                       homeFolder.substr(0, kMaxDefaultFolderLength));
    options.appendSerialNumber = profile.GetInt(kSaveOptionsSection, kAppendSerialKey, 1);
    return options;
}

void StoreSaveOptions(Profile& profile, const SaveOptions& options) {
    profile.WriteInt(kSaveOptionsSection, kAppendSerialKey, options.appendSerialNumber);
    profile.WriteString(kSaveOptionsSection, kWorkingFolderKey, options.folder);
}

SaveOptionsSession::SaveOptionsSession(Profile& profile, int dataBits,
                                       const std::string& homeFolder)
    : options(LoadSaveOptions(profile, dataBits, homeFolder)), profile_(profile) {}

SaveOptionsSession::~SaveOptionsSession() { StoreSaveOptions(profile_, options); }

std::string SaveOptionsFilter(int dataBits) {
    return dataBits == 1 ? "Data files (*.inpx) |*.inpx||" : "12-bit data files (*.inp) |*.inp||";
}

void ApplySelectedFile(SaveOptions& options, const std::string& path, const std::string& fileName) {
    // The file name is the path's last component, so it is looked up from the end: a folder
    // whose name contains the file name must not be taken for it.
    const std::size_t at = fileName.empty() ? std::string::npos : path.rfind(fileName);
    options.folder = at == std::string::npos || at == 0 ? std::string() : path.substr(0, at - 1);
    const std::size_t dot = fileName.rfind('.');
    options.title = dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace pelmor
