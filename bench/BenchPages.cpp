#include "BenchPages.h"

#include "service/Catalogue.h"
#include "service/Pages.h"
#include "service/TextEncoding.h"

#include <map>

namespace vorbel::bench {

const GeneratedPage& resultPageOf(int offers)
{
    static std::map<int, GeneratedPage> pages;
    auto found = pages.find(offers);
    if (found == pages.end()) {
        const service::PageOptions options{"http://127.0.0.1:9", "gbk"};
        const std::string keyword = "bench";
        GeneratedPage page;
        page.utf8 =
            service::resultPage(keyword, service::offersFor(keyword, offers, 1), 1'765'000'000, {}, options);
        const std::string gbk = service::toGb18030(page.utf8);
        page.served = QByteArray(gbk.data(), qsizetype(gbk.size()));
        found = pages.emplace(offers, std::move(page)).first;
    }
    return found->second;
}

} // namespace vorbel::bench
