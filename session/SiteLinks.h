#pragma once

#include <QString>
#include <QUrl>
#include <vector>

namespace vorbel {

/// A fixed link of the home view or the toolbar.
struct SiteLink
{
    QString control; ///< Image1 … Image8, btn5, btn8
    QString name;    ///< what it shows
    QString picture; ///< resource path of the logo, empty for toolbar buttons
    QUrl url;
};

/// The eight shop logos in their home view order, then the directory and the service's own site.
std::vector<SiteLink> siteLinks(const QString& serviceBase);

} // namespace vorbel
