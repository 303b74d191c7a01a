#pragma once

#include <QByteArray>
#include <string>

namespace vorbel::bench {

/// A result page of the reference service's shape, as it travels (GBK) and as the parser reads it (UTF-8).
struct GeneratedPage
{
    QByteArray served;
    std::string utf8;
};

/// The page of `offers` offers for one keyword, made once per size. Its picture addresses point at a
/// closed loopback port, so nothing is ever fetched.
const GeneratedPage& resultPageOf(int offers);

} // namespace vorbel::bench
