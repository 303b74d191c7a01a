#pragma once

#include <QString>

namespace vorbel {

/// The state of one run: created at start-up, touched only on the UI thread, never saved. It is passed to
/// whoever needs it instead of living in globals.
struct AppState
{
    /// Which list the pages being loaded belong to.
    enum Mode
    {
        Search = 1,
        Favourites = 2,
        PriceDrops = 3
    };

    Mode PageMode = Search;
    QString SearchWord;                            ///< the trimmed keyword of the latest search
    QString UserId;                                ///< the service identity (deciphered)
    QString UserPassword;                          ///< the service password marker (deciphered)
    QString LinkCodeA;                             ///< first shop link code of the version notice
    QString LinkCodeB;                             ///< second shop link code of the version notice
    QString ProgramVersion = QStringLiteral("10"); ///< the version whose notice page is asked for
    QString TempPath;                              ///< the system's temporary folder, with a slash
    QString ProgramFolder;                         ///< the executable's folder, with a slash
    bool PicturesKnown = false;                    ///< the keyword's pictures are in the register
    bool BeforeFirstSearch = true;                 ///< no search page has been read this run
};

} // namespace vorbel
