// The files-and-folders concern of the platform: where the player's files and the
// temporary files go, and the name a file's replacement is written under before it
// takes the file's place. These are the parts of file handling that differ between
// operating systems; the POSIX implementation (posix_files.cpp) serves Linux, and
// another system plugs in its own here.
#pragma once

#include <string>

namespace zorby::platform {

class Files {
public:
    virtual ~Files() = default;

    // The player's own data (high scores): $XDG_DATA_HOME/zorby when the variable
    // holds an absolute path, else $HOME/.local/share/zorby. Empty when neither gives
    // an absolute folder. On Windows both folders are %APPDATA%\zorby (an absolute
    // APPDATA, else the roaming application data folder Windows names), and the
    // temporary folder is the one GetTempPath names (TMP, else TEMP, ...).
    virtual std::string user_data_folder() = 0;
    // The player's settings: $XDG_CONFIG_HOME/zorby, else $HOME/.config/zorby; empty
    // as above.
    virtual std::string user_config_folder() = 0;
    // The folder for temporary files (the error log, unpacked media): $TMPDIR, or
    // /tmp when it is unset or empty; never with a trailing '/' (except "/" itself).
    virtual std::string temporary_folder() = 0;
    // The name, in path's own folder, a new version of path is written under before
    // it is renamed over path.
    virtual std::string replacement_name(const std::string& path) = 0;
};

// The files and folders of the system the program runs on.
Files& system_files();

}  // namespace zorby::platform
