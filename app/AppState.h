#pragma once

#include <QString>

namespace vorbel {

/// The process-wide state of one run: created at start-up, touched only on the UI thread, never saved.
/// It is passed to whoever needs it instead of living in globals.
struct AppState
{
    enum Mode
    {
        Search = 1,
        Favourites = 2,
        PriceDrops = 3
    };

    int PageMode = Search;
    QString SearchWord;
    QString UserId;
    QString UserPassword;
    QString LinkCodeA;
    QString LinkCodeB;
    QString ProgramVersion = QStringLiteral("10");
    QString TempPath;
    QString ProgramFolder;
    bool PicturesKnown = false;
    bool BeforeFirstSearch = true;
    bool PageRecognised = false;
    int GridMouseY = 0;
};

} // namespace vorbel
