#pragma once

#include "app/Uzjm.h"
#include "favourites/ui/FavouritesCommands.h"
#include "platform/Downloader.h"
#include "platform/PageLoader.h"
#include "search/ResultPageReader.h"
#include "search/ui/SearchCommands.h"

namespace vorbel::test {

/// Something of the window's is still on its way: a page, a search's reading, a favourites list, a download.
inline bool somethingLoads(Tfrmvorbel& window)
{
    return window.wbwebb().isLoading() || (window.search() && window.search()->reader().isReading()) ||
           (window.favourites() && window.favourites()->isLoading()) || window.downloader().pending() > 0;
}

} // namespace vorbel::test
