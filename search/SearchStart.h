#pragma once

#include <QString>
#include <QUrl>

namespace vorbel {

struct AppState;
struct StandingQueries;

/// What a search start leaves for the request.
struct SearchStartResult
{
    QString keyword;          ///< trimmed
    bool sendRequest = false; ///< false for a blank keyword
};

/// The store side of starting a search: the keyword trimmed into the state, the previous results emptied,
/// the keyword's picture register opened in qry1 (PicturesKnown when it has rows). Throws StoreError.
SearchStartResult startSearch(const QString& typedKeyword, StandingQueries& queries, AppState& state);

/// "/ListAll.aspx" with the keyword, the identity and the password, in that order.
QUrl searchUrl(const QString& serviceBase, const AppState& state);

} // namespace vorbel
