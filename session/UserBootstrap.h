#pragma once

namespace vorbel {

class PageText;
class StandingQuery;
struct AppState;

/// The user bootstrap step of the page handlers: while no search has run yet, a "<BODY>" line among the
/// page's first four lines carries a new service identity. When the settings row lacks the identity or the
/// password (or holds an empty identity), the identity and the fixed password marker are stored enciphered
/// and read back into the state. A line with nothing after the marker carries no identity and is passed
/// over. Returns true when it stored an identity. Throws StoreError.
bool applyUserBootstrap(const PageText& page, StandingQuery& settings, AppState& state);

} // namespace vorbel
