#pragma once

#include "service/ReferenceService.h"

#include <httplib.h>
#include <string>

namespace vorbel::test {

/// Collects up to count offers of one search straight on the service, under the given identity, as if the
/// user had clicked them earlier; returns how many it collected.
inline int collectOnService(service::ReferenceService& service, const std::string& user, int count)
{
    httplib::Client client(service.baseUrl());
    const auto listed = client.Get("/ListAll.aspx?word=ipod&u=" + user);
    if (!listed)
        return 0;
    int collected = 0;
    for (std::size_t at = 0;
         collected < count && (at = listed->body.find("<tr>\n<td>", at)) != std::string::npos;) {
        at += 9;
        const std::string bh = listed->body.substr(at, listed->body.find('<', at) - at);
        if (!client.Get("/OpFav.aspx?u=" + user + "&i=" + bh))
            break;
        ++collected;
    }
    return collected;
}

} // namespace vorbel::test
