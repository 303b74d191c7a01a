#pragma once

#include <QString>

namespace vorbel {

/// Where the database file (Database::FileName) lives.
enum class StoreFolder
{
    /// The current folder, always: the rule of development builds, where every run has its own folder.
    Current,
    /// The user's data folder, unless the current folder already holds the file: the rule of the
    /// installed program, which a desktop starts in the home folder.
    UserData
};

/// The rule this build was configured with (the CMake option VORBEL_STORE_IN_CURRENT_FOLDER).
StoreFolder configuredStoreFolder();

/// $XDG_DATA_HOME/vorbel, or $HOME/.local/share/vorbel when XDG_DATA_HOME is unset, empty or relative;
/// without a trailing separator. Only names the folder.
QString userStoreFolder();

/// The path the database file is to be opened at.
/// Current: Database::FileName, relative to the current folder.
/// UserData: the same relative name when a file of that name is already in the current folder, so
/// existing files keep working; otherwise the file in userStoreFolder(). A missing folder is created
/// for this user only (0700), its missing parents with the usual permissions; an existing one is left
/// as it is. When the folder cannot be made the path is returned all the same and the open of the
/// database reports the failure, naming the file.
QString storeFilePath(StoreFolder rule = configuredStoreFolder());

} // namespace vorbel
