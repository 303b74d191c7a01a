#pragma once

#include "session/Displays.h"
#include "session/Services.h"

namespace vorbel {

class Database;
class Downloader;
class PictureCache;
struct AppState;
struct StandingQueries;

/// What a feature of the window (the search, the favourites) works with, handed to it when the main window
/// wires it: the store, the run's state, the picture cache and its downloads, the outside world and the
/// displays the views share. A feature reaches nothing else of the window.
struct FeatureParts
{
    Database& database;
    StandingQueries& queries;
    AppState& state;
    PictureCache& pictures;
    Downloader& downloader;
    const Services& services;
    ProgressDisplay& progress;
    StatusLine& status;
    ViewSwitcher& views;
    PictureDisplay& largePicture;
};

} // namespace vorbel
