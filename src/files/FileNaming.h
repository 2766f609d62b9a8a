#pragma once

// Names of recorded data files: a base name (folder and title), a space, a serial number of at
// least three digits and the extension of the data format. A name is never reused: the serial
// number moves past every name that exists. Also the save-options model with its two profile
// values.

#include <functional>
#include <string>

namespace pelmor {

class Profile;

// Separator between the working folder and the file title in a base name.
constexpr char kPathSeparator = '/';

using FileExistsFunction = std::function<bool(const std::string&)>;

// The document's file-naming state.
struct FileNaming {
    std::string baseName;  // folder, separator and title; or the title alone
    int serialNumber = 0;  // the last number written under the base name
    bool baseNameChosen = false;
    int extraSerialStep = 0;          // non-zero: every written recording skips one more number
    std::string currentDataFileName;  // the last file written or imported
};

// base + " " + (serial + 1) as "%03d" + ".inpx" (dataBits 1) or ".inp".
std::string CandidateName(const std::string& baseName, int serialNumber, int dataBits);

// Moves serialNumber on while the candidate exists and returns the first free candidate; the
// serial number is left at the last existing number.
std::string FindFreeName(const std::string& baseName, int& serialNumber, int dataBits,
                         const FileExistsFunction& exists);
std::string FindFreeName(const std::string& baseName, int& serialNumber, int dataBits);

// folder + separator + title, or the title alone when the folder is empty. The folder is used as
// it stands.
std::string BaseNameFromDialog(const std::string& folder, const std::string& title);

// "Set filename" after the dialog ended with OK: the new base name, the serial number moved past
// the files that exist, the base name marked chosen. Returns the next name a recording will get.
std::string SetFileName(FileNaming& naming, const std::string& folder, const std::string& title,
                        int dataBits, const FileExistsFunction& exists);
std::string SetFileName(FileNaming& naming, const std::string& folder, const std::string& title,
                        int dataBits);

// The naming steps after a recording's file was attempted at path: when written, path becomes
// the current data file name and the extra serial step (if set) skips a number; in every case
// the serial number then moves on by one.
void AdvanceAfterRecording(FileNaming& naming, const std::string& path, bool written);

// The bank signal the next measurement uses after a written recording: the next one, wrapping to
// 0 at signalCount.
int NextSelectedSignal(int selectedSignal, int signalCount);

// What the save-options dialog shows and gives back.
struct SaveOptions {
    std::string title = "x";  // "x" every time the dialog is created
    std::string folder;
    int appendSerialNumber = 1;  // shown and stored; a serial number is always appended
    int dataBits = 1;            // chooses the filter of the file dialog
    bool simulated = false;      // the recording comes from the simulation, not a device
};

constexpr const char* kSaveOptionsSection = "Save Options";
constexpr const char* kWorkingFolderKey = "Working Folder";
constexpr const char* kAppendSerialKey = "Append Serial Nummber";
// The home folder is kept to this many characters when it serves as the default folder.
constexpr std::size_t kMaxDefaultFolderLength = 256;

// The dialog's initial values: the folder and the append flag from the profile, the home folder
// (cut to 256 characters) when no folder is stored.
SaveOptions LoadSaveOptions(Profile& profile, int dataBits, const std::string& homeFolder);
// Writes the append flag and the folder (done whenever the dialog ends, OK or not).
void StoreSaveOptions(Profile& profile, const SaveOptions& options);

// The save-options dialog's values for as long as the dialog lives: loaded when made, written
// back to the profile when it ends, whichever way it ends.
class SaveOptionsSession {
  public:
    SaveOptionsSession(Profile& profile, int dataBits, const std::string& homeFolder);
    ~SaveOptionsSession();
    SaveOptionsSession(const SaveOptionsSession&) = delete;
    SaveOptionsSession& operator=(const SaveOptionsSession&) = delete;

    SaveOptions options;

  private:
    Profile& profile_;
};

// The filter of the "Select" file dialog.
std::string SaveOptionsFilter(int dataBits);

// "Select" ended with OK on path (whose last component is fileName): the folder becomes the
// path before the separator in front of the file name (empty when the name is not found in the
// path) and the title the file name without its extension.
void ApplySelectedFile(SaveOptions& options, const std::string& path, const std::string& fileName);

}  // namespace pelmor
